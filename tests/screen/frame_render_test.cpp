#include <gtest/gtest.h>

#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/frame_render.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "tests/screen/screen_test_support.h"

namespace zl {
namespace {

class FrameRenderTest : public ::testing::Test {
protected:
    HeadlessHost host;
    Frame frame;
    uint32_t at(int x, int y) const { return frame.pixels[y * frame.width + x]; }
};

TEST_F(FrameRenderTest, TextPageIsDrawnWithTheTallFont) {
    set_colour(14, 1, 0, 3);
    set_cursor(2, 3, 0, 0, 0, 3);
    test::print_item("g");
    render_frame(*display_page, frame, false);
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 400);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool ink = font_8x16['g'][y] & (0x80 >> x);
            ASSERT_EQ(at(16 + x, 16 + y), ink ? default_palette_16[14] : default_palette_16[1]);
        }
    }
    EXPECT_EQ(at(0, 0), default_palette_16[0]);
}

TEST_F(FrameRenderTest, VisibleCursorIsDrawnOnlyInItsOnPhase) {
    set_cursor(5, 10, 1, 14, 15, 31);
    render_frame(*display_page, frame, false);
    EXPECT_EQ(at(9 * 8, 4 * 16 + 14), default_palette_16[0]);
    render_frame(*display_page, frame, true);
    EXPECT_EQ(at(9 * 8, 4 * 16 + 14), default_palette_16[7]);
    EXPECT_EQ(at(9 * 8, 4 * 16 + 13), default_palette_16[0]);
}

TEST_F(FrameRenderTest, GraphicsPageAppliesThePaletteAtEveryFrame) {
    set_screen_mode(12, 0, 0, 0, 0, 1);
    write_page->pixels[5 * 640 + 7] = 3;
    render_frame(*display_page, frame, true);
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    EXPECT_EQ(at(7, 5), default_palette_16[3]);
    set_palette(3, 63, 1);
    render_frame(*display_page, frame, true);
    EXPECT_EQ(at(7, 5), rgb(255, 0, 0));
}

TEST_F(FrameRenderTest, FortyColumnTextIsDrawnAtDoubleWidth) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    set_screen_mode(0, 0, 0, 0, 0, 1);
    test::print_item("\xDB");
    render_frame(*display_page, frame, false);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 400);
    EXPECT_EQ(at(15, 8), default_palette_16[7]);
    EXPECT_EQ(at(16, 8), default_palette_16[0]);
}

}  // namespace
}  // namespace zl
