#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/statement_hook.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

class ErrorsTest : public ::testing::Test {
protected:
    HeadlessHost host;
    int32_t pending() const { return error_state.pending_error.load(); }
};

TEST_F(ErrorsTest, FirstPendingErrorWinsAndZeroOrNegativeBecomesFive) {
    raise_error(6);
    EXPECT_EQ(pending(), 6);
    EXPECT_EQ(error_state.event_pending.load(), 1);
    raise_error(5);
    EXPECT_EQ(pending(), 6);
    for (const int32_t code : {0, -3}) {
        error_state.pending_error = 0;
        raise_error(code);
        EXPECT_EQ(pending(), 5) << code;
    }
    EXPECT_TRUE(host.boxes.shown.empty());
}

TEST_F(ErrorsTest, QuotedMessages) {
    const std::pair<int32_t, const char*> quoted[] = {
        {5, "Illegal function call"}, {6, "Overflow"},           {7, "Out of memory"},
        {11, "Division by zero"},     {256, "Out of stack space"}, {257, "Out of memory"},
        {258, "Invalid handle"},      {502, "Out of memory"},      {518, "Out of memory"},
    };
    for (const auto& [code, text] : quoted) EXPECT_STREQ(error_message(code), text) << code;
    // A number without a message of its own gets the one generic text: never empty and never
    // another error's message.
    ASSERT_NE(error_message(12345), nullptr);
    const std::string generic = error_message(12345);
    EXPECT_FALSE(generic.empty());
    for (const auto& [code, text] : quoted) EXPECT_NE(generic, text) << code;
    for (const int32_t code : {-5, 0, 1000, 65535}) EXPECT_EQ(error_message(code), generic) << code;
}

struct FatalCase {
    int32_t code;
    const char* title;
    const char* text;
};

TEST_F(ErrorsTest, FatalCodesShowTheirBoxAndEndWithExitCodeZero) {
    const FatalCase cases[] = {
        {257, "Critical Error #1", "Out of memory"},
        {502, "Critical Error #2", "Out of memory"},
        {504, "Critical Error #4", "Out of memory"},
        {518, "Critical Error #18", "Out of memory"},
        {11, "Critical Error", "Division by zero"},
        {256, "Critical Error", "Out of stack space"},
        {259, "Critical Error", error_message(259)},
        {263, "Critical Error", error_message(263)},
        {270, "Critical Error", error_message(270)},
        {271, "Critical Error", error_message(271)},
    };
    for (const FatalCase& c : cases) {
        host.boxes.shown.clear();
        try {
            raise_error(c.code);
            ADD_FAILURE() << c.code << " returned";
        } catch (const ProgramStopped& stopped) {
            EXPECT_EQ(stopped.exit_code, 0);
            EXPECT_FALSE(stopped.thread_stopped);
        }
        ASSERT_EQ(host.boxes.shown.size(), 1u) << c.code;
        EXPECT_EQ(host.boxes.shown[0].title, c.title);
        EXPECT_EQ(host.boxes.shown[0].text, c.text);
        EXPECT_EQ(host.boxes.shown[0].buttons, BoxButtons::ok);
        EXPECT_EQ(pending(), 0);
    }
    for (const int32_t code : {258, 264, 501, 519}) EXPECT_FALSE(error_is_fatal(code)) << code;
}

TEST_F(ErrorsTest, PendingErrorBoxTextAndYesGoesOn) {
    raise_error(5);
    statement_hook(120, 0, nullptr);
    ASSERT_EQ(host.boxes.shown.size(), 1u);
    EXPECT_EQ(host.boxes.shown[0].title, "Unhandled Error #5");
    EXPECT_EQ(host.boxes.shown[0].text, "Line: 120 (in main module)\nIllegal function call\nContinue?");
    EXPECT_EQ(host.boxes.shown[0].buttons, BoxButtons::yes_no);
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(error_state.event_pending.load(), 0);
    EXPECT_EQ(error_report_lines.line, 120);
}

TEST_F(ErrorsTest, IncludedLineAndNameReplaceTheLineWhenGiven) {
    raise_error(6);
    statement_hook(300, 17, "graphics.inc");
    EXPECT_EQ(host.boxes.shown.at(0).text, "Line: 17 (in graphics.inc)\nOverflow\nContinue?");
    raise_error(258);
    statement_hook(301, 0, "graphics.inc");
    EXPECT_EQ(host.boxes.shown.at(1).text, "Line: 301 (in main module)\nInvalid handle\nContinue?");
    EXPECT_EQ(host.boxes.shown.at(1).title, "Unhandled Error #258");
}

TEST_F(ErrorsTest, NoStopsTheProgramThread) {
    host.boxes.answers.push_back(BoxAnswer::no);
    raise_error(7);
    try {
        statement_hook(42, 0, nullptr);
        ADD_FAILURE() << "returned";
    } catch (const ProgramStopped& stopped) {
        EXPECT_TRUE(stopped.thread_stopped);
    }
    EXPECT_EQ(host.boxes.shown.at(0).text, "Line: 42 (in main module)\nOut of memory\nContinue?");
}

TEST_F(ErrorsTest, HookClearsItsFlagsAndShowsNothingWithoutAnError) {
    error_state.event_pending = 1;
    error_state.retry_statement = 1;
    statement_hook(10, 0, nullptr);
    EXPECT_EQ(error_state.event_pending.load(), 0);
    EXPECT_EQ(error_state.retry_statement.load(), 0);
    EXPECT_TRUE(host.boxes.shown.empty());
}

TEST_F(ErrorsTest, PauseHoldsTheHookUntilReleased) {
    request_pause();
    EXPECT_EQ(error_state.event_pending.load(), 1);
    std::atomic<bool> returned{false};
    std::thread program([&] {
        statement_hook(1, 0, nullptr);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_FALSE(returned.load());
    release_pause();
    program.join();
    EXPECT_TRUE(returned.load());
}

TEST_F(ErrorsTest, ExitDuringAPauseStopsTheProgramThread) {
    request_pause();
    std::atomic<bool> stopped{false};
    std::thread program([&] {
        try {
            statement_hook(1, 0, nullptr);
        } catch (const ProgramStopped& s) {
            stopped = s.thread_stopped;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    request_exit();
    program.join();
    EXPECT_TRUE(stopped.load());
}

// Without a host the box goes to stderr and the process really ends, with exit code 0.
TEST(FatalErrorDeathTest, EndsTheProcessWithExitCodeZero) {
    EXPECT_EXIT(raise_error(504), ::testing::ExitedWithCode(0), "Critical Error #4");
    EXPECT_EXIT(raise_error(256), ::testing::ExitedWithCode(0), "Out of stack space");
}

TEST(FatalErrorDeathTest, FloatingPointSignalIsDivisionByZero) {
    EXPECT_EXIT(
        {
            install_fpe_handler();
            std::raise(SIGFPE);
        },
        ::testing::ExitedWithCode(0), "Division by zero");
}

TEST(FatalErrorDeathTest, NoAnswerWithoutAHostEndsTheRun) {
    EXPECT_EXIT(
        {
            raise_error(5);
            statement_hook(9, 0, nullptr);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "Unhandled Error #5");
}

}  // namespace
}  // namespace zl
