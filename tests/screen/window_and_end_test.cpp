#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "runtime/core/error_state.h"
#include "runtime/core/statement_hook.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/screen/program_end.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/window_state.h"
#include "tests/screen/screen_test_support.h"

namespace zl {
namespace {

class WindowStateTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(WindowStateTest, TitleIsUntitledUntilSet) {
    EXPECT_EQ(window_title(), "Untitled");
    const uint32_t generation = window_title_generation.load();
    string_descriptor* title = string_from_literal("Zentrolux", 9);
    set_window_title(title);
    string_free(title);
    EXPECT_EQ(window_title(), "Zentrolux");
    EXPECT_GT(window_title_generation.load(), generation);
}

TEST_F(WindowStateTest, TitleEndsAtAZeroByteAndWaitsOutAPendingError) {
    string_descriptor* title = string_from_literal("ab\0cd", 5);
    set_window_title(title);
    EXPECT_EQ(window_title(), "ab");
    raise_error(5);
    set_window_title(title);
    string_free(title);
    EXPECT_EQ(window_title(), "ab");
}

TEST_F(WindowStateTest, TitleCanBeReadWhileItIsSet) {
    std::thread reader([] {
        for (int i = 0; i < 2000; ++i) {
            const std::string title = window_title();
            ASSERT_TRUE(title == "Untitled" || title == "first" || title == "second") << title;
        }
    });
    string_descriptor* first = string_from_literal("first", 5);
    string_descriptor* second = string_from_literal("second", 6);
    for (int i = 0; i < 2000; ++i) set_window_title(i % 2 ? first : second);
    reader.join();
    string_free(first);
    string_free(second);
}

TEST_F(WindowStateTest, FullscreenRequestsOnlyWhenDifferent) {
    set_fullscreen(0, 0);
    EXPECT_EQ(fullscreen_request.method.load(), static_cast<int>(FullscreenMethod::stretched));
    EXPECT_FALSE(fullscreen_request.smooth.load());
    EXPECT_EQ(fullscreen_request.generation.load(), 1u);
    set_fullscreen(2, 0);   // the same request again
    EXPECT_EQ(fullscreen_request.generation.load(), 1u);
    set_fullscreen(3, 1);
    EXPECT_EQ(fullscreen_request.method.load(), static_cast<int>(FullscreenMethod::square_pixels));
    EXPECT_TRUE(fullscreen_request.smooth.load());
    EXPECT_EQ(fullscreen_request.generation.load(), 2u);
    set_fullscreen(4, 0);
    EXPECT_EQ(error_state.pending_error.load(), 5);
    EXPECT_EQ(fullscreen_request.generation.load(), 2u);
}

TEST_F(WindowStateTest, EndPromptOnTheBottomRowThenWaitForANewKey) {
    set_screen_mode(12, 0, 0, 0, 0, 1);
    set_screen_mode(0, 0, 0, 0, 0, 1);
    set_cursor(25, 1, 0, 0, 0, 3);
    test::print_item("old bottom");
    push_key('a', 0x1E);   // queued before: dropped
    std::thread typist([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        push_key('b', 0x30);
    });
    bool stopped = false;
    try {
        end_program();
    } catch (const ProgramStopped& stop) {
        stopped = stop.thread_stopped;
    }
    typist.join();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(test::text_row(*write_page, 25, 1, 26), "Press any key to continue ");
    EXPECT_EQ(key_ring_count(), 0);
}

TEST_F(WindowStateTest, EndPromptWaitStopsOnAnExitRequest) {
    std::thread closer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        run_requests.exit = true;
    });
    EXPECT_THROW(end_program(), ProgramStopped);
    closer.join();
    run_requests.exit = false;
}

}  // namespace
}  // namespace zl
