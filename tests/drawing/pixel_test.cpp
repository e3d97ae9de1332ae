// Single pixels set and read back, and the graphics cursor read through point_colour.
#include <cmath>
#include <limits>

#include "drawing/drawing_test_support.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/screen_mode.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kColour = 2;

using PixelTest = DrawingTest;

TEST_F(PixelTest, StoresTheMaskedColourAtTheRoundedPoint) {
    struct Case {
        PageKind kind;
        int32_t colour;
        uint8_t stored;
    };
    for (const Case& c : {Case{PageKind::mode1, 4, 0}, Case{PageKind::mode1, 7, 3}, Case{PageKind::mode7, 16, 0},
                          Case{PageKind::mode12, 31, 15}, Case{PageKind::mode13, 300, 44}}) {
        TestPage& page = use(c.kind);
        page.clear(9 & page.record.colour_mask);
        set_pixel(2.5f, 3.5f, c.colour, kColour);   // ties to even: (2, 4)
        EXPECT_EQ(page.at(2, 4), c.stored) << page_kind_name(c.kind);
        EXPECT_EQ(page.record.last_colour, static_cast<uint32_t>(c.colour));
        EXPECT_EQ(point_colour(2.5f, 3.5f, 1), c.stored);
    }
}

TEST_F(PixelTest, CursorRelativePointsAndForeground) {
    TestPage& page = use(PageKind::mode7);
    page.record.foreground = 11;
    set_pixel(-10, 5, 0, kRelative);   // cursor (160, 100) moves to (150, 105)
    EXPECT_EQ(page.at(150, 105), 11);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 150);
    EXPECT_FLOAT_EQ(page.record.graphics_y, 105);
    EXPECT_EQ(page.record.last_colour, 11u);
}

TEST_F(PixelTest, PointsOffThePageChangeNothing) {
    TestPage& page = use(PageKind::mode1);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float points[][2] = {{320, 0}, {0, 200}, {-0.6f, 0}, {340, 200}, {1e30f, 5}, {-inf, 5}, {5, nan}, {inf, inf}};
    for (const auto& p : points) {
        set_pixel(p[0], p[1], 3, kColour);
        EXPECT_EQ(point_colour(p[0], p[1], 1), -1) << p[0] << "," << p[1];
    }
    EXPECT_TRUE(page.lit().empty());
    EXPECT_TRUE(page.guards_intact());
    EXPECT_EQ(pending(), 0);
    // -0.5 rounds to 0 (ties to even): on the page.
    set_pixel(-0.5f, 0, 3, kColour);
    EXPECT_EQ(page.at(0, 0), 3);
}

TEST_F(PixelTest, ClipBoxAndViewOffset) {
    TestPage& page = use(PageKind::mode7);
    page.record.view_x = 100;
    page.record.view_y = 50;
    page.record.clip_left = 100;
    page.record.clip_top = 50;
    page.record.clip_right = 199;
    page.record.clip_bottom = 149;
    set_pixel(3, 4, 5, kColour);
    EXPECT_EQ(page.at(103, 54), 5);
    EXPECT_EQ(point_colour(3, 4, 1), 5);
    set_pixel(100, 4, 5, kColour);   // pixel 200 lies right of the clip box
    EXPECT_EQ(page.lit().size(), 1u);
    EXPECT_EQ(point_colour(-1, 4, 1), -1);
}

TEST_F(PixelTest, TextPagesRefuse) {
    TestPage& page = use(PageKind::text);
    const auto before = page.snapshot();
    set_pixel(1, 1, 1, kColour);
    EXPECT_EQ(pending(), 5);
    EXPECT_EQ(page.snapshot(), before);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 0);
    clear_error();
    EXPECT_EQ(point_colour(1, 1, 1), 0);
    EXPECT_EQ(pending(), 5);
    clear_error();
    EXPECT_EQ(point_colour(0, 0, 0), 0);
    EXPECT_EQ(pending(), 5);
}

TEST_F(PixelTest, PendingErrorStopsSetButNotRead) {
    TestPage& page = use(PageKind::mode7);
    page.put(4, 4, 7);
    raise_error(6);
    set_pixel(5, 5, 3, kColour);
    EXPECT_EQ(page.at(5, 5), 0);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 160);
    EXPECT_EQ(point_colour(4, 4, 1), 7);
    EXPECT_EQ(pending(), 6);
}

TEST_F(PixelTest, ReadsAreMaskedByThePage) {
    TestPage& page = use(PageKind::mode1);
    page.put(1, 1, 0x17);   // a value no drawing stores: the read still shows colour 3
    EXPECT_EQ(point_colour(1, 1, 1), 3);
}

TEST_F(PixelTest, MaskZeroReadsTheGraphicsCursor) {
    TestPage& page = use(PageKind::mode12);
    page.record.graphics_x = 12.5f;
    page.record.graphics_y = 7.75f;
    EXPECT_EQ(point_colour(0, 0, 0), 12);    // whole pixels, ties to even
    EXPECT_EQ(point_colour(1, 0, 0), 8);
    EXPECT_EQ(point_colour(2, 0, 0), 12.5);
    EXPECT_EQ(point_colour(3.4f, 0, 0), 7.75);
    EXPECT_EQ(pending(), 0);
    page.record.window_scale_x = 2;
    EXPECT_EQ(point_colour(0, 0, 0), 25);
    for (float selector : {4.0f, -1.0f, 3.5f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        clear_error();
        EXPECT_EQ(point_colour(selector, 0, 0), 0) << selector;
        EXPECT_EQ(pending(), 5) << selector;
    }
}

}  // namespace
}  // namespace zl::test

namespace zl::test {
namespace {

// On the screen's own pages, and with the display told of every change.
TEST_F(PixelTest, DrawsOnTheScreenModesPagesAndMarksTheDisplay) {
    for (int32_t mode : {1, 7, 12}) {
        set_screen_mode(mode, 0, 0, 0, 0, 1);
        screen_page& page = *write_page;
        display_link.content_changed = false;
        set_pixel(3, 4, 0xFF, kColour);
        EXPECT_TRUE(display_link.content_changed.load()) << mode;
        EXPECT_EQ(page.pixels[4 * page.width + 3], page.colour_mask) << mode;
        display_link.content_changed = false;
        draw_line(0, 0, static_cast<float>(page.width), static_cast<float>(page.height), 1, kLineKindFilledBox, 0, 9);
        EXPECT_TRUE(display_link.content_changed.load());
        EXPECT_EQ(page.pixels[page.width * page.height - 1], 1) << mode;
        display_link.content_changed = false;
        flood_fill(5, 5, 2, 0, 0, kColour);
        draw_circle(50, 50, 10, 3, 0, 0, 0, kColour);
        EXPECT_TRUE(display_link.content_changed.load());
        EXPECT_EQ(point_colour(0, 0, 1), 2);
    }
}

}  // namespace
}  // namespace zl::test
