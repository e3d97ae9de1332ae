#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/low_memory.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "tests/screen/screen_test_support.h"

namespace zl {
namespace {

constexpr int32_t kModeOnly = 1;

class ScreenModeTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(ScreenModeTest, StartUpScreenIsEightTextPagesInLowMemory) {
    EXPECT_EQ(screen_page_count(), 8);
    const screen_page& page = *write_page;
    EXPECT_EQ(page.text, 1);
    EXPECT_EQ(page.width, 80);
    EXPECT_EQ(page.height, 25);
    EXPECT_EQ(page.font, 16);
    EXPECT_EQ(page.foreground, 7u);
    EXPECT_EQ(page.background, 0u);
    EXPECT_EQ(page.window_top, 1);
    EXPECT_EQ(page.window_bottom, 24);
    EXPECT_EQ(page.pixels, low_memory + kTextPagesBase);
    EXPECT_EQ(read_page, write_page);
    EXPECT_EQ(display_page, write_page);
    for (uint32_t offset = 0; offset < 65536; offset += 2) {
        ASSERT_EQ(low_memory[kTextPagesBase + offset], 32) << offset;
        ASSERT_EQ(low_memory[kTextPagesBase + offset + 1], 7) << offset;
    }
    EXPECT_EQ(page.palette[14], default_palette_16[14]);
}

TEST_F(ScreenModeTest, TextPagesLieAtFourKilobyteSteps) {
    set_screen_mode(0, 0, 3, 0, 0, 4);
    EXPECT_EQ(write_page->pixels, low_memory + kTextPagesBase + 3 * 4096);
    EXPECT_EQ(display_page, write_page);
    EXPECT_EQ(screen_page_count(), 8);
}

struct GraphicsModeCase {
    int32_t mode;
    int width;
    int height;
    uint32_t mask;
    int font;
    uint32_t foreground;
    int window_bottom;
    float centre_x;
    float centre_y;
};

class GraphicsModeTest : public ScreenModeTest, public ::testing::WithParamInterface<GraphicsModeCase> {};

TEST_P(GraphicsModeTest, MakesOneBlankPage) {
    const GraphicsModeCase& c = GetParam();
    set_screen_mode(c.mode, 0, 0, 0, 0, kModeOnly);
    ASSERT_EQ(error_state.pending_error.load(), 0);
    const screen_page& page = *write_page;
    EXPECT_EQ(screen_page_count(), 1);
    EXPECT_EQ(page.text, 0);
    EXPECT_EQ(page.mode, c.mode);
    EXPECT_EQ(page.width, c.width);
    EXPECT_EQ(page.height, c.height);
    EXPECT_EQ(page.colour_mask, c.mask);
    EXPECT_EQ(page.font, c.font);
    EXPECT_EQ(page.foreground, c.foreground);
    EXPECT_EQ(page.window_bottom, c.window_bottom);
    EXPECT_EQ(page.graphics_x, c.centre_x);
    EXPECT_EQ(page.graphics_y, c.centre_y);
    EXPECT_EQ(page.clip_right, c.width - 1);
    EXPECT_EQ(page.clip_bottom, c.height - 1);
    for (int i = 0; i < c.width * c.height; ++i) ASSERT_EQ(page.pixels[i], 0);
    EXPECT_EQ(read_page, &page);
    EXPECT_EQ(display_page, &page);
}

INSTANTIATE_TEST_SUITE_P(Modes, GraphicsModeTest,
                         ::testing::Values(GraphicsModeCase{1, 320, 200, 3, 8, 3, 24, 160, 100},
                                           GraphicsModeCase{7, 320, 200, 15, 8, 15, 24, 160, 100},
                                           GraphicsModeCase{12, 640, 480, 15, 16, 15, 29, 320, 240}));

TEST_F(ScreenModeTest, ModeOnePaletteStartsWithDefaultEntriesZeroThreeFiveSeven) {
    set_screen_mode(1, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(write_page->palette[0], default_palette_16[0]);
    EXPECT_EQ(write_page->palette[1], default_palette_16[3]);
    EXPECT_EQ(write_page->palette[2], default_palette_16[5]);
    EXPECT_EQ(write_page->palette[3], default_palette_16[7]);
}

// The benchmark's own sequence: text, 1, 7, 12, then 0, 12, 0 at the end.
TEST_F(ScreenModeTest, BenchmarkSequenceEndsOnAFreshEightyByTwentyFiveScreen) {
    for (int32_t mode : {1, 7, 12, 0, 12, 0}) {
        set_screen_mode(mode, 0, 0, 0, 0, kModeOnly);
        ASSERT_EQ(write_page->mode, mode);
    }
    EXPECT_EQ(write_page->width, 80);
    EXPECT_EQ(write_page->height, 25);
    EXPECT_EQ(write_page->font, 16);
    EXPECT_EQ(write_page->cursor_row, 1);
    EXPECT_EQ(write_page->cursor_column, 1);
}

TEST_F(ScreenModeTest, TextScreenAfterAFortyColumnGraphicsScreenKeepsItsGrid) {
    set_screen_mode(7, 0, 0, 0, 0, kModeOnly);
    set_screen_mode(0, 0, 0, 0, 0, kModeOnly);
    const screen_page& page = *write_page;
    EXPECT_EQ(page.width, 40);
    EXPECT_EQ(page.height, 25);
    EXPECT_EQ(page.font, 17);
    EXPECT_EQ(screen_page_count(), 8);
    EXPECT_EQ(page.pixels, low_memory + kTextPagesBase);
    set_screen_mode(0, 0, 1, 0, 0, 4);
    EXPECT_EQ(write_page->pixels, low_memory + kTextPagesBase + 2048);
}

TEST_F(ScreenModeTest, ModeAlreadyInForceKeepsEverything) {
    set_screen_mode(7, 0, 0, 0, 0, kModeOnly);
    screen_page* page = write_page;
    page->pixels[1234] = 9;
    set_palette(3, 12, 1);
    set_colour(4, 0, 0, 1);
    set_cursor(5, 6, 0, 0, 0, 3);
    page->graphics_x = 17;
    page->graphics_y = 33;
    const uint32_t palette_entry = page->palette[3];
    set_screen_mode(7, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(write_page, page);
    EXPECT_EQ(page->pixels[1234], 9);
    EXPECT_EQ(page->palette[3], palette_entry);
    EXPECT_EQ(page->foreground, 4u);
    EXPECT_EQ(page->cursor_row, 5);
    EXPECT_EQ(page->cursor_column, 6);
    EXPECT_EQ(page->graphics_x, 17);
    EXPECT_EQ(page->graphics_y, 33);
}

TEST_F(ScreenModeTest, TextModeAlreadyInForceKeepsCellsAndParking) {
    test::print_item("AB");
    set_cursor(3, 80, 0, 0, 0, 3);
    test::print_item("Z");
    ASSERT_TRUE(write_page->cursor_parked);
    set_screen_mode(0, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(test::text_row(*write_page, 1, 1, 2), "AB");
    EXPECT_TRUE(write_page->cursor_parked);
    EXPECT_EQ(cursor_row(), 4);
}

TEST_F(ScreenModeTest, ModeChangeMakesFreshPagesAndMarksTheFrame) {
    set_screen_mode(1, 0, 0, 0, 0, kModeOnly);
    write_page->pixels[0] = 3;
    display_link.frame_out_of_date = false;
    display_link.content_changed = false;
    set_screen_mode(7, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(write_page->pixels[0], 0);
    EXPECT_TRUE(display_link.frame_out_of_date.load());
    EXPECT_TRUE(display_link.content_changed.load());
    EXPECT_FALSE(display_link.handover_requested.load());
}

TEST_F(ScreenModeTest, ActivePageAloneCountsAsVisualPageToo) {
    set_screen_mode(7, 0, 2, 0, 0, 1 | 4);
    EXPECT_EQ(screen_page_count(), 2);
    EXPECT_EQ(write_page, read_page);
    EXPECT_EQ(write_page, display_page);
    set_screen_mode(7, 0, 0, 2, 0, 1 | 4 | 8);
    EXPECT_NE(write_page, display_page);
    EXPECT_EQ(write_page->pixels[0], 0);
}

struct RefusedMode {
    const char* name;
    int32_t mode;
    int32_t active;
    int32_t visual;
    int32_t presence;
    int32_t error;
};

class RefusedModeTest : public ScreenModeTest, public ::testing::WithParamInterface<RefusedMode> {};

TEST_P(RefusedModeTest, RaisesItsErrorAndChangesNothing) {
    const RefusedMode& c = GetParam();
    screen_page* before = write_page;
    set_screen_mode(c.mode, 0, c.active, c.visual, 0, c.presence);
    EXPECT_EQ(error_state.pending_error.load(), c.error);
    EXPECT_EQ(write_page, before);
    EXPECT_EQ(display_page, before);
    EXPECT_EQ(write_page->mode, 0);
    EXPECT_EQ(screen_page_count(), 8);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RefusedModeTest,
    ::testing::Values(RefusedMode{"mode3", 3, 0, 0, 1, 5}, RefusedMode{"mode6", 6, 0, 0, 1, 5},
                      RefusedMode{"mode14", 14, 0, 0, 1, 5},
                      RefusedMode{"modeHuge", 0x7FFFFFFF, 0, 0, 1, 5},
                      RefusedMode{"image", -1, 0, 0, 1, 258},
                      RefusedMode{"negativeActive", 12, -1, 0, 1 | 4, 5},
                      RefusedMode{"negativeVisual", 12, 0, -1, 1 | 8, 5},
                      RefusedMode{"pageBeyondCap", 0, 64, 0, 4, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenModeTest, PendingErrorLeavesTheModeAlone) {
    raise_error(6);
    set_screen_mode(12, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(write_page->mode, 0);
    EXPECT_EQ(error_state.pending_error.load(), 6);
}

// A stand-in for the desktop frame producer: acknowledges a hand-over at its next cycle and
// records whether the pages were ever changed while it was allowed to render.
TEST_F(ScreenModeTest, HandOverWaitsForTheProducerAcknowledgement) {
    std::atomic<bool> stop{false};
    std::atomic<int> acknowledgements{0};
    std::atomic<bool> page_changed_while_rendering{false};
    display_link.producer_running = true;
    std::thread producer([&] {
        while (!stop.load()) {
            if (!producer_may_render()) {
                ++acknowledgements;
            } else {
                const screen_page* seen = display_page;
                const uint16_t mode = seen->mode;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (display_page != seen || seen->mode != mode) page_changed_while_rendering = true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    for (int round = 0; round < 20; ++round) {
        set_screen_mode(round % 2 == 0 ? 12 : 1, 0, 0, 0, 0, kModeOnly);
        EXPECT_FALSE(display_link.handover_requested.load());
    }
    stop = true;
    producer.join();
    display_link.producer_running = false;
    EXPECT_GE(acknowledgements.load(), 20);
    EXPECT_FALSE(page_changed_while_rendering.load());
}

TEST_F(ScreenModeTest, HandOverWithoutProducerDoesNotWait) {
    display_link.producer_running = false;
    set_screen_mode(12, 0, 0, 0, 0, kModeOnly);
    EXPECT_EQ(write_page->mode, 12);
}

}  // namespace
}  // namespace zl
