// The seconds-since-midnight clock and the date and time texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <regex>
#include <string>

#include "machine_test_support.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/clock.h"

namespace zl {
namespace {

using test::pending_error;
using test::take_text;

class FakeClock : public ClockSource {
public:
    uint32_t process_ms() override { return process; }
    uint32_t ms_since_midnight() override { return midnight; }
    int64_t wall_seconds() override { return wall; }
    uint32_t process = 0;
    uint32_t midnight = 0;
    int64_t wall = 0;
};

// Installs a fake clock in UTC; the system clock and time zone come back afterwards.
class ClockTest : public ::testing::Test {
protected:
    ClockTest() {
        const char* zone = std::getenv("TZ");
        had_zone_ = zone != nullptr;
        if (had_zone_) saved_zone_ = zone;
        setenv("TZ", "UTC", 1);
        tzset();
        set_clock_source(&clock_);
    }
    ~ClockTest() override {
        set_clock_source(nullptr);
        if (had_zone_) setenv("TZ", saved_zone_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    // Notes the time of day at `midnight` ms, then lets `elapsed` ms pass on the process clock.
    float seconds_after(uint32_t midnight, uint32_t elapsed, uint32_t process_at_note = 5000) {
        clock_.process = process_at_note;
        clock_.midnight = midnight;
        note_time_of_day();
        clock_.process = process_at_note + elapsed;
        return timer_seconds(0, 0);
    }

    HeadlessHost host;
    FakeClock clock_;
    bool had_zone_ = false;
    std::string saved_zone_;
};

float ticks(double n) { return static_cast<float>(n / 18.2); }

TEST_F(ClockTest, RoundsToTheNearestTickTiesToEven) {
    struct Case {
        uint32_t ms;
        double ticks;
    };
    const Case cases[] = {
        {0, 0},
        {27, 0},              // 0.4914 ticks
        {28, 1},              // 0.5096
        {1000, 18},           // 18.2
        {2500, 46},           // 45.5 exactly: to the even 46
        {7500, 136},          // 136.5 exactly: to the even 136
        {3600000, 65520},     // one hour
        {86399999, 1572480},  // 1572479.98
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.ms);
        EXPECT_EQ(seconds_after(row.ms, 0), ticks(row.ticks));
    }
}

TEST_F(ClockTest, CountsOnFromTheNotedTimeAndWrapsAtMidnight) {
    EXPECT_EQ(seconds_after(1000, 1500), ticks(46));          // 2.5 s
    EXPECT_EQ(seconds_after(86399000, 1500), ticks(9));       // 0.5 s into the next day
    EXPECT_EQ(seconds_after(86399000, 86400000), ticks(1572462));   // a whole day later: 23:59:59
    // The process clock itself wrapping in 32 bits.
    EXPECT_EQ(seconds_after(0, 512, 0xFFFFFF00u), ticks(9));  // 0.512 s: 9.3184 ticks
}

TEST_F(ClockTest, AccuracyRoundsToItsMultiple) {
    clock_.midnight = 1234;
    note_time_of_day();
    EXPECT_EQ(timer_seconds(0.5, 1), 1.0f);
    EXPECT_EQ(timer_seconds(0.001, 1), 1.234f);
    EXPECT_EQ(timer_seconds(0, 1), 1.234f);   // no usable accuracy: unrounded
}

TEST_F(ClockTest, GivesZeroWhileAnErrorIsPending) {
    clock_.midnight = 50000;
    note_time_of_day();
    raise_error(kErrorIllegalFunctionCall);
    EXPECT_EQ(timer_seconds(0, 0), 0.0f);
}

TEST_F(ClockTest, WaitEndsWhenTheSecondChanges) {
    class Ticking : public FakeClock {
    public:
        uint32_t ms_since_midnight() override { return midnight += 100; }
    } ticking;
    ticking.midnight = 10050;
    set_clock_source(&ticking);
    wait_for_second_change();
    EXPECT_EQ(ticking.midnight / 1000, 11u);
    EXPECT_LT(ticking.midnight, 11200u);
    set_clock_source(&clock_);
}

TEST_F(ClockTest, DateAndTimeTexts) {
    clock_.wall = 1709211909;   // 2024-02-29 13:05:09 UTC
    EXPECT_EQ(take_text(date_text()), "02-29-2024");
    EXPECT_EQ(take_text(time_text()), "13:05:09");
    clock_.wall = 946684799;    // every call reads the clock again
    EXPECT_EQ(take_text(date_text()), "12-31-1999");
    EXPECT_EQ(take_text(time_text()), "23:59:59");
    clock_.wall = 946684800;
    EXPECT_EQ(take_text(time_text()), "00:00:00");
    EXPECT_EQ(take_text(date_text()), "01-01-2000");
    EXPECT_EQ(pending_error(), 0);
}

TEST_F(ClockTest, UnreadableOrUnshowableTimeRaisesError5) {
    const int64_t cases[] = {
        -1,                                     // time() failed
        std::numeric_limits<int64_t>::max(),    // localtime_r cannot convert it
        253402300800,                           // year 10000: no four-digit year
    };
    for (const int64_t wall : cases) {
        SCOPED_TRACE(wall);
        for (auto text_of : {date_text, time_text}) {
            test::clear_pending_error();
            clock_.wall = wall;
            string_descriptor* text = text_of();
            EXPECT_EQ(text->length, 0);
            EXPECT_NE(text->flags & kStringTemporary, 0);
            take_text(text);
            EXPECT_EQ(pending_error(), kErrorIllegalFunctionCall);
        }
    }
}

TEST_F(ClockTest, SystemClockTextsHaveTheirShapes) {
    set_clock_source(nullptr);
    EXPECT_TRUE(std::regex_match(take_text(date_text()), std::regex(R"(\d\d-\d\d-\d{4})")));
    EXPECT_TRUE(std::regex_match(take_text(time_text()), std::regex(R"(\d\d:\d\d:\d\d)")));
    const float now = timer_seconds(0, 0);
    EXPECT_GE(now, 0.0f);
    EXPECT_LT(now, 86400.0f);
}

}  // namespace
}  // namespace zl
