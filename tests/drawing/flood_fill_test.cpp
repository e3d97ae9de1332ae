// Colour fills bounded by a border colour, against a plain pixel-by-pixel fill.
#include <algorithm>
#include <limits>
#include <random>

#include "drawing/drawing_test_support.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kFill = 2;
constexpr int32_t kBorder = 4;
constexpr int32_t kFifth = 8;

// Every pixel reachable from the start through pixels of the clip box without the border
// colour, as the page stood before, takes the fill colour.
void reference_fill(TestPage& page, int sx, int sy, uint8_t fill, uint8_t border) {
    const screen_page& r = page.record;
    if (sx < r.clip_left || sx > r.clip_right || sy < r.clip_top || sy > r.clip_bottom) return;
    if (page.at(sx, sy) == border) return;
    const int width = r.width;
    std::vector<uint8_t> seen(static_cast<size_t>(width) * r.height);
    std::vector<int> pending{sy * width + sx};
    seen[pending[0]] = 1;
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        const int x = at % width;
        const int y = at / width;
        r.pixels[at] = fill;
        auto visit = [&](int nx, int ny) {
            if (nx < r.clip_left || nx > r.clip_right || ny < r.clip_top || ny > r.clip_bottom) return;
            const int next = ny * width + nx;
            if (seen[next] || r.pixels[next] == border) return;
            seen[next] = 1;
            pending.push_back(next);
        };
        visit(x - 1, y);
        visit(x + 1, y);
        visit(x, y - 1);
        visit(x, y + 1);
    }
}

// Random pictures: scattered pixels, blobs and lines of a few colours, so that regions have
// holes, islands and narrow passages.
void random_picture(TestPage& page, std::mt19937& random, int colours) {
    const screen_page& r = page.record;
    const int density = static_cast<int>(random() % 60);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const bool speck = static_cast<int>(random() % 100) < density;
            page.put(x, y, speck ? static_cast<uint8_t>(random() % colours) : 0);
        }
    }
    for (int i = 0; i < 20; ++i) {
        const float x1 = static_cast<float>(random() % r.width);
        const float y1 = static_cast<float>(random() % r.height);
        draw_line(x1, y1, static_cast<float>(random() % r.width), static_cast<float>(random() % r.height),
                  static_cast<int32_t>(random() % colours), kLineKindLine, 0, 9);
    }
}

using FloodFillTest = DrawingTest;

TEST_F(FloodFillTest, RandomPicturesMatchThePlainFill) {
    std::mt19937 random(77);
    for (PageKind kind : {PageKind::mode1, PageKind::mode7, PageKind::mode12, PageKind::mode13}) {
        for (int picture = 0; picture < 8; ++picture) {
            TestPage& page = use(kind);
            TestPage expected(kind);
            const int colours = (picture % 3 == 0) ? 2 : std::min<int>(4, page.record.colour_mask + 1);
            if (picture % 4 == 3) {
                page.record.clip_left = expected.record.clip_left = 17;
                page.record.clip_top = expected.record.clip_top = 9;
                page.record.clip_right = expected.record.clip_right = page.record.width - 40;
                page.record.clip_bottom = expected.record.clip_bottom = page.record.height - 3;
            }
            random_picture(page, random, colours);
            expected.restore(page.snapshot());
            for (int fill_number = 0; fill_number < 30; ++fill_number) {
                const int x = static_cast<int>(random() % page.record.width);
                const int y = static_cast<int>(random() % page.record.height);
                const uint8_t fill = static_cast<uint8_t>(random() % colours);
                if (fill_number % 2 == 0) {
                    // The border is the fill colour itself.
                    flood_fill(x, y, fill, 0, 0, kFill);
                    reference_fill(expected, x, y, fill, fill);
                } else {
                    const uint8_t border = static_cast<uint8_t>(random() % colours);
                    flood_fill(x, y, fill, border, 0, kFill | kBorder);
                    reference_fill(expected, x, y, fill, border);
                }
                ASSERT_EQ(page.snapshot(), expected.snapshot())
                    << page_kind_name(kind) << " picture " << picture << " fill " << fill_number;
            }
            EXPECT_TRUE(page.guards_intact());
        }
    }
}

TEST_F(FloodFillTest, FillColourInsideABorderIsPaintedAgainAndPassesTheSpread) {
    TestPage& page = use(PageKind::mode7);
    draw_line(10, 10, 30, 30, 4, kLineKindBox, 0, 9);
    draw_line(15, 11, 15, 29, 9, kLineKindLine, 0, 9);   // a wall of the fill colour
    flood_fill(12, 12, 9, 4, 0, kFill | kBorder);
    EXPECT_EQ(page.at(20, 20), 9);
    EXPECT_EQ(page.at(11, 29), 9);
    EXPECT_EQ(page.at(10, 20), 4);
    EXPECT_EQ(page.at(5, 5), 0);
    // With the fill colour as border the same wall stops it.
    page.clear();
    draw_line(15, 0, 15, 199, 9, kLineKindLine, 0, 9);
    flood_fill(12, 12, 9, 0, 0, kFill);
    EXPECT_EQ(page.at(0, 0), 9);
    EXPECT_EQ(page.at(16, 0), 0);
}

TEST_F(FloodFillTest, ColoursDefaultsAndMask) {
    TestPage& page = use(PageKind::mode1);
    page.record.foreground = 2;
    flood_fill(5, 5, 0, 0, 0, 0);   // fill and border both the foreground
    EXPECT_EQ(page.snapshot(), std::vector<uint8_t>(320 * 200, 2));
    flood_fill(5, 5, 4, 6, 0, kFill | kBorder);   // 4 is colour 0, 6 is colour 2: the start is border
    EXPECT_EQ(page.at(0, 0), 2);
    flood_fill(5, 5, 4, 5, 0, kFill | kBorder);   // border 1: everything becomes 0
    EXPECT_TRUE(page.lit().empty());
}

TEST_F(FloodFillTest, CursorMovesEvenWhenNothingIsPainted) {
    TestPage& page = use(PageKind::mode7);
    flood_fill(-20, 5, 3, 0, 0, kFill | kRelative);   // from (160, 100)
    EXPECT_FLOAT_EQ(page.record.graphics_x, 140);
    EXPECT_FLOAT_EQ(page.record.graphics_y, 105);
    page.clear();
    page.put(7, 7, 3);
    flood_fill(7, 7, 2, 3, 0, kFill | kBorder);   // starts on the border: nothing
    flood_fill(400, 7, 2, 3, 0, kFill | kBorder);   // off the page: nothing
    flood_fill(std::numeric_limits<float>::quiet_NaN(), 7, 2, 3, 0, kFill | kBorder);
    flood_fill(7, -std::numeric_limits<float>::infinity(), 2, 3, 0, kFill | kBorder);
    EXPECT_EQ(page.lit().size(), 1u);
    EXPECT_FLOAT_EQ(page.record.graphics_y, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(pending(), 0);
    flood_fill(2.5f, 0.5f, 1, 3, 0, kFill | kBorder);   // ties to even: (2, 0)
    EXPECT_EQ(page.at(2, 0), 1);
}

TEST_F(FloodFillTest, RefusesTextPagesAndAFifthValue) {
    TestPage& page = use(PageKind::mode7);
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder | kFifth);
    EXPECT_EQ(pending(), 5);
    EXPECT_TRUE(page.lit().empty());
    EXPECT_FLOAT_EQ(page.record.graphics_x, 160);
    clear_error();
    TestPage& text = use(PageKind::text);
    const auto before = text.snapshot();
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder);
    EXPECT_EQ(pending(), 5);
    EXPECT_EQ(text.snapshot(), before);
    // While an error is pending nothing happens at all.
    TestPage& graphics = use(PageKind::mode12);
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder);
    EXPECT_TRUE(graphics.lit().empty());
    EXPECT_FLOAT_EQ(graphics.record.graphics_x, 320);
}

TEST_F(FloodFillTest, WholePageInsideAFrame) {
    TestPage& page = use(PageKind::mode12);
    draw_line(0, 0, 639, 479, 4, kLineKindBox, 0, 9);
    for (int round = 0; round < 3; ++round) {
        flood_fill(1, 1, 2 + round, 4, 0, kFill | kBorder);
        EXPECT_EQ(page.at(1, 1), 2 + round);
        EXPECT_EQ(page.at(638, 478), 2 + round);
        EXPECT_EQ(page.at(639, 200), 4);
        EXPECT_EQ(std::count(page.record.pixels, page.record.pixels + page.size(), 0), 0);
    }
}

}  // namespace
}  // namespace zl::test
