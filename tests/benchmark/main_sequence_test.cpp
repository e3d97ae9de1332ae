// The main sequence on the headless runtime: banner, key waits, the timed part, the result line
// (midnight included) and the end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "benchmark/banner.h"
#include "benchmark/main_sequence.h"
#include "routine_probe.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/key_ring.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/window_state.h"

namespace zl {
namespace {

std::string screen_row(int row) {
    std::string text;
    for (int column = 1; column <= 80; ++column) {
        text += static_cast<char>(screen_char_at(row, column, 0, 1));
    }
    return text;
}

int attribute_at(int row, int column) { return screen_char_at(row, column, 1, 1); }

TEST(Banner, EveryLineAtItsRowInItsColourWithBlankRowsBetween) {
    HeadlessHost host;
    {
        Routine main_sequence;
        show_banner(main_sequence);
    }
    bool printed[26] = {};
    for (const BannerLine& line : banner_lines()) {
        printed[line.row] = true;
        const std::string row = screen_row(line.row);
        EXPECT_EQ(row.substr(0, line.text.size()), line.text) << "row " << line.row;
        EXPECT_EQ(row.find_first_not_of(' ', line.text.size()), std::string::npos) << "row " << line.row;
        for (int column = 1; column <= static_cast<int>(line.text.size()); ++column) {
            EXPECT_EQ(attribute_at(line.row, column), line.colour) << line.row << "," << column;
        }
    }
    for (int row = 1; row <= 25; ++row) {
        if (!printed[row]) {
            EXPECT_EQ(screen_row(row), std::string(80, ' ')) << "row " << row;
        }
    }
    EXPECT_EQ(write_page->cursor_row, 24);
    EXPECT_EQ(write_page->cursor_column, 1);
    EXPECT_EQ(write_page->foreground, 8u);
}

TEST(Banner, LayoutOfTheTable) {
    struct Expected {
        int row, colour, length, leading;
    };
    constexpr Expected kTable[] = {
        {2, 2, 52, 23},  {4, 3, 73, 6},   {5, 3, 73, 6},   {6, 3, 72, 6},   {7, 3, 71, 6},
        {9, 4, 75, 3},   {10, 4, 74, 3},  {11, 4, 74, 3},  {12, 4, 75, 3},  {14, 5, 63, 14},
        {15, 5, 63, 14}, {16, 5, 63, 14}, {17, 6, 63, 14}, {18, 6, 63, 14}, {19, 6, 63, 14},
        {20, 7, 48, 26}, {22, 9, 50, 22}, {23, 8, 46, 27},
    };
    const auto lines = banner_lines();
    ASSERT_EQ(lines.size(), std::size(kTable));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].row, kTable[i].row);
        EXPECT_EQ(lines[i].colour, kTable[i].colour);
        EXPECT_EQ(static_cast<int>(lines[i].text.size()), kTable[i].length) << "row " << lines[i].row;
        EXPECT_EQ(static_cast<int>(lines[i].text.find_first_not_of(' ')), kTable[i].leading)
            << "row " << lines[i].row;
    }
    EXPECT_EQ(lines[15].text, std::string(26, ' ') + "Version 11.0 (Windows)");
    const std::string blocks = "\xDB\xDC\xDF ";
    const std::string single_box = "\xB3\xB4\xBF\xC0\xC1\xC2\xC3\xC4\xC5\xD9\xDA ";
    const std::string double_vertical = "\xB6\xB7\xBA\xBD\xC7\xD0\xD2\xD3\xD6\xD7";
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(lines[i].text.find_first_not_of(blocks), std::string::npos);
    for (int i = 9; i <= 11; ++i) {
        EXPECT_EQ(lines[i].text.find_first_not_of(single_box + double_vertical), std::string::npos);
        EXPECT_NE(lines[i].text.find_first_of(double_vertical), std::string::npos);
    }
    for (int i = 12; i <= 14; ++i) EXPECT_EQ(lines[i].text.find_first_not_of(single_box), std::string::npos);
}

TEST(ElapsedSeconds, PlainRunsAndRunsAcrossMidnight) {
    struct Case {
        float start, end, elapsed;
    };
    constexpr Case kCases[] = {
        {100.0f, 160.5f, 60.5f},
        {5000.0f, 5000.0f, 0.0f},
        {86399.0f, 1.0f, 2.0f},        // a day later than the end reading says
        {86000.0f, 0.0f, 400.0f},
    };
    for (const Case& c : kCases) EXPECT_FLOAT_EQ(elapsed_seconds(c.start, c.end), c.elapsed);
}

// Keeps pressing the space bar, as a patient user does at every key wait.
class KeyPresser {
public:
    KeyPresser()
        : thread_([this] {
              while (!stop_.load()) {
                  push_key(' ', 0x39);
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~KeyPresser() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A clock that stands still until a test routine moves it on.
class SteppedClock : public ClockSource {
public:
    uint32_t process_ms() override { return now.load(); }
    uint32_t ms_since_midnight() override { return kMsPerDay - 1000; }   // 23:59:59
    std::atomic<uint32_t> now{0};
};

SteppedClock stepped_clock;
int routine_calls = 0;
int uncalled_calls = 0;

void two_seconds_pass() {
    ++routine_calls;
    stepped_clock.now.fetch_add(2000);
}
void never_called() { ++uncalled_calls; }

constexpr RoutineEntry kTwoSecondRun[] = {
    {"two_seconds_pass", two_seconds_pass, 60},
    {"never_called", never_called, 0},
};

struct RunOutcome {
    ProgramStopped stop;
    bool stopped = false;
};

RunOutcome run_to_end(std::span<const RoutineEntry> routines) {
    RunOutcome outcome;
    KeyPresser presser;
    try {
        run_main_sequence(routines);
    } catch (const ProgramStopped& stop) {
        outcome.stop = stop;
        outcome.stopped = true;
    }
    return outcome;
}

// Runs the list on the stepped clock, started one second before midnight.
RunOutcome run_on_stepped_clock(std::span<const RoutineEntry> routines) {
    set_clock_source(&stepped_clock);
    stepped_clock.now.store(0);
    note_time_of_day();
    routine_calls = 0;
    uncalled_calls = 0;
    const RunOutcome outcome = run_to_end(routines);
    set_clock_source(nullptr);
    return outcome;
}

float printed_result() {
    const std::string result = screen_row(10);
    EXPECT_EQ(result.substr(0, 23), std::string(14, ' ') + "Result:  ") << result;
    return std::stof(result.substr(23));
}

TEST(MainSequence, RunAcrossMidnightPrintsTheElapsedSeconds) {
    HeadlessHost host;
    const RunOutcome outcome = run_on_stepped_clock(kTwoSecondRun);

    ASSERT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.stop.thread_stopped);
    EXPECT_EQ(routine_calls, 1);
    EXPECT_EQ(uncalled_calls, 0);
    EXPECT_NEAR(printed_result(), 2.0f, 0.06f);
}

// The reset routine, called while the routines run, forgets the start reading: the result is
// then the end reading itself, one second past midnight, not the two seconds that passed.
void two_seconds_pass_then_reset() {
    two_seconds_pass();
    clear_main_variables();
}

TEST(MainSequence, ResetRoutineForgetsTheStartReading) {
    HeadlessHost host;
    constexpr RoutineEntry kResetRun[] = {{"two_seconds_pass_then_reset", two_seconds_pass_then_reset, 60}};
    const RunOutcome outcome = run_on_stepped_clock(kResetRun);

    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(routine_calls, 1);
    EXPECT_NEAR(printed_result(), 1.0f, 0.06f);
}

TEST(MainSequence, TitleFullScreenBeepsResultAndEndPrompt) {
    HeadlessHost host;
    const auto started = std::chrono::steady_clock::now();
    const RunOutcome outcome = run_to_end({});
    const std::chrono::duration<float> whole_run = std::chrono::steady_clock::now() - started;

    ASSERT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.stop.thread_stopped);
    EXPECT_EQ(window_title(), "Zentrolux");
    EXPECT_EQ(fullscreen_request.method.load(), static_cast<int>(FullscreenMethod::stretched));
    EXPECT_FALSE(fullscreen_request.smooth.load());
    EXPECT_EQ(host.sound.tones.size(), 2u);
    // The fresh text screen: the result line at row 10, column 15, in colour 7.
    const std::string result = screen_row(10);
    EXPECT_EQ(result.substr(0, 23), std::string(14, ' ') + "Result:  ") << result;
    const size_t number_end = result.find(' ', 23);
    ASSERT_NE(number_end, std::string::npos);
    EXPECT_EQ(result.find_first_not_of(' ', number_end), std::string::npos);
    const float seconds = std::stof(result.substr(23, number_end - 23));
    EXPECT_GT(seconds, 0.2f);   // the second beep's wait alone is a quarter second
    // The timed part is within the whole run, however slow the machine is today.
    EXPECT_LT(seconds, whole_run.count() + 0.06f);
    EXPECT_EQ(attribute_at(10, 15), 7);
    EXPECT_EQ(screen_row(25), "Press any key to continue" + std::string(55, ' '));
    for (int row = 1; row <= 24; ++row) {
        if (row != 10) {
            EXPECT_EQ(screen_row(row), std::string(80, ' ')) << "row " << row;
        }
    }
}

// A routine during which the user keeps typing: sixteen presses, one more than the ring holds.
void sixteen_presses() {
    for (uint8_t character = 'a'; character < 'a' + kKeyRingCapacity + 1; ++character) {
        push_key(character, 0x1E);
    }
}

constexpr RoutineEntry kTypedOverRun[] = {{"sixteen_presses", sixteen_presses, 60}};

// The drop reads the ring 1000 times whatever it meets: keys typed during the routines, a key
// typed after it has found the ring empty and one typed just before its last read are all gone,
// and the key pressed during the second beep is the one the result wait takes.
TEST(MainSequence, KeyDropEmptiesTheRingSoALaterKeyEndsTheResultWait) {
    HeadlessHost host;
    push_key(' ', 0x39);   // ends the first key wait
    std::map<int32_t, int> visits;
    int keys_after_routines = -1;
    int keys_before_beep_key = -1;
    int keys_left_by_result_wait = -1;
    int result_wait_extra_passes = -1;
    probe::StatementProbe watch([&](int32_t line) {
        const int visit = ++visits[line];
        if (line == 60) keys_after_routines = key_ring_count();
        if (line == 87 && (visit == 16 || visit == 999)) push_key('y', 0x15);
        if (line == 88) {
            keys_before_beep_key = key_ring_count();
            push_key('Z', 0x2C);
        }
        if (line == 94) {
            keys_left_by_result_wait = key_ring_count();
            result_wait_extra_passes = visits[95];
            throw probe::Stop{};
        }
    });
    try {
        run_main_sequence(kTypedOverRun);
    } catch (const probe::Stop&) {
    }

    EXPECT_EQ(keys_after_routines, kKeyRingCapacity);
    EXPECT_EQ(visits[87], 1000);
    EXPECT_EQ(keys_before_beep_key, 0);
    EXPECT_EQ(keys_left_by_result_wait, 0);   // the beep's key was the one taken
    EXPECT_EQ(result_wait_extra_passes, 0);   // and the first read took it
}

}  // namespace
}  // namespace zl
