#include "runtime/screen/display_copy.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/core/statement_hook.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "tests/screen/screen_test_support.h"

namespace zl {
namespace {

class DisplayCopyTest : public ::testing::Test {
  protected:
    HeadlessHost host;
    DisplayCopy mine;

    static bool same_as_display(const DisplayCopy& copy) {
        const screen_page& page = *display_page;
        const size_t bytes = static_cast<size_t>(page.width) * page.height * page.bytes_per_pixel;
        return copy.page.mode == page.mode && copy.page.width == page.width &&
               copy.pixels.size() == bytes && copy.page.pixels == copy.pixels.data() &&
               std::memcmp(copy.pixels.data(), page.pixels, bytes) == 0 &&
               copy.page.palette == copy.palette.data() &&
               std::memcmp(copy.palette.data(), page.palette, 256 * sizeof(uint32_t)) == 0;
    }
};

TEST_F(DisplayCopyTest, CopiesOnlyWhenAskedAndChanged) {
    serve_display_copy(false);
    EXPECT_FALSE(take_display_copy(mine)) << "copied unasked";

    request_display_copy();
    serve_display_copy(false);
    ASSERT_TRUE(take_display_copy(mine));
    EXPECT_TRUE(same_as_display(mine));
    EXPECT_FALSE(take_display_copy(mine)) << "one copy taken twice";

    request_display_copy();
    serve_display_copy(false);
    EXPECT_FALSE(take_display_copy(mine)) << "copied an unchanged display";
}

TEST_F(DisplayCopyTest, TheCopyStaysAsItWasWhileThePageChanges) {
    set_screen_mode(7, 0, 0, 0, 0, 1);
    request_display_copy();
    serve_display_copy(false);
    ASSERT_TRUE(take_display_copy(mine));
    const DisplayCopy before = mine;

    clear_screen(0, 0, 0);
    set_colour(3, 0, 0, 1);
    test::print_line("changed");
    set_palette(0, 0x3F, 3);
    EXPECT_EQ(mine.pixels, before.pixels);
    EXPECT_EQ(mine.palette, before.palette);

    request_display_copy();
    serve_display_copy(false);
    ASSERT_TRUE(take_display_copy(mine));
    EXPECT_TRUE(same_as_display(mine));
    EXPECT_GT(mine.serial, before.serial);
    EXPECT_NE(mine.pixels, before.pixels);
}

TEST_F(DisplayCopyTest, AStatementCheckServesTheRequestAndAWaitCopiesUnasked) {
    request_display_copy();
    ASSERT_NE(error_state.event_pending.load(), 0) << "the request must bring a statement check";
    statement_hook(1, 0, nullptr);
    ASSERT_TRUE(take_display_copy(mine));
    EXPECT_TRUE(same_as_display(mine));

    test::print_line("before a wait");
    serve_display_copy(true);
    ASSERT_TRUE(take_display_copy(mine));
    EXPECT_TRUE(same_as_display(mine));
}

}  // namespace
}  // namespace zl
