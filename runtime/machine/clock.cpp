#include "runtime/machine/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "runtime/core/error_state.h"

namespace zl {

int64_t ClockSource::wall_seconds() { return static_cast<int64_t>(std::time(nullptr)); }

namespace {

constexpr uint32_t kMsPerSecond = 1000;
constexpr int64_t kNsPerMs = 1000000;
constexpr int kDateLength = 10;   // MM-DD-YYYY
constexpr int kTimeLength = 8;    // HH:MM:SS
constexpr int kLastFourDigitYear = 9999;
// n = seconds × 18.2 = ms × 91 / 5000, rounded in whole numbers so that ties are exact.
constexpr uint64_t kTickNumerator = 91;
constexpr uint64_t kTickDenominator = 5000;

uint32_t clock_ms(clockid_t id, timespec& now) {
    clock_gettime(id, &now);
    return static_cast<uint32_t>(static_cast<int64_t>(now.tv_sec) * kMsPerSecond +
                                 now.tv_nsec / kNsPerMs);
}

class SystemClock final : public ClockSource {
public:
    uint32_t process_ms() override {
        timespec now{};
        return clock_ms(CLOCK_MONOTONIC, now);
    }
    uint32_t ms_since_midnight() override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const time_t seconds = now.tv_sec;
        std::tm local{};
        if (localtime_r(&seconds, &local) == nullptr) return 0;
        const uint32_t second_of_day =
            static_cast<uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
        return second_of_day * kMsPerSecond + static_cast<uint32_t>(now.tv_nsec / kNsPerMs);
    }
};

SystemClock system_clock;

// The time of day as noted against the process clock; timer_seconds counts on from it.
struct ClockState {
    ClockSource* source = &system_clock;
    bool noted = false;
    uint32_t process_ms_at_note = 0;
    uint32_t midnight_ms_at_note = 0;
};

// The texts of the last calendar second converted: localtime_r is the costly part, and the
// benchmark asks for both texts millions of times within a second.
struct LocalTimeTexts {
    static constexpr int64_t kNone = INT64_MIN;
    int64_t second = kNone;
    char date[kDateLength] = {};
    char time[kTimeLength] = {};
};

ClockState clock_state;
LocalTimeTexts local_texts;

void put_two_digits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

void format_texts(const std::tm& local, LocalTimeTexts& texts) {
    const int year = local.tm_year + 1900;
    put_two_digits(texts.date, local.tm_mon + 1);
    texts.date[2] = '-';
    put_two_digits(texts.date + 3, local.tm_mday);
    texts.date[5] = '-';
    put_two_digits(texts.date + 6, year / 100);
    put_two_digits(texts.date + 8, year % 100);
    put_two_digits(texts.time, local.tm_hour);
    texts.time[2] = ':';
    put_two_digits(texts.time + 3, local.tm_min);
    texts.time[5] = ':';
    put_two_digits(texts.time + 6, local.tm_sec);
}

// Reads the clock on every call and converts it when the second has changed. False when the
// clock cannot be read or its value not shown as a four-digit-year date.
bool refresh_local_texts() {
    const int64_t now = clock_state.source->wall_seconds();
    if (now == local_texts.second) return true;
    if (now == -1) return false;
    const time_t seconds = static_cast<time_t>(now);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return false;
    const int year = local.tm_year + 1900;
    if (year < 0 || year > kLastFourDigitYear) return false;
    format_texts(local, local_texts);
    local_texts.second = now;
    return true;
}

string_descriptor* clock_failure() {
    raise_error(kErrorIllegalFunctionCall);
    return string_new(0, 1);
}

uint32_t ms_since_midnight_now() {
    if (!clock_state.noted) note_time_of_day();
    ClockSource& source = *clock_state.source;
    const uint32_t elapsed = source.process_ms() - clock_state.process_ms_at_note;
    // Reducing the elapsed count first keeps the sum inside 32 bits.
    return (elapsed % kMsPerDay + clock_state.midnight_ms_at_note % kMsPerDay) % kMsPerDay;
}

double nearest_tick_seconds(uint32_t ms) {
    const uint64_t scaled = uint64_t{ms} * kTickNumerator;
    uint64_t ticks = scaled / kTickDenominator;
    const uint64_t rest = scaled % kTickDenominator;
    const bool tie = rest * 2 == kTickDenominator;
    if (rest * 2 > kTickDenominator || (tie && ticks % 2 == 1)) ++ticks;
    return static_cast<double>(ticks) / kTicksPerSecond;
}

double nearest_multiple(double seconds, double accuracy) {
    if (!(accuracy > 0) || !std::isfinite(accuracy)) return seconds;
    // An accuracy so fine that the number of its steps overflows leaves the seconds as they are.
    const double steps = seconds / accuracy;
    if (!std::isfinite(steps)) return seconds;
    return std::nearbyint(steps) * accuracy;
}

}  // namespace

void set_clock_source(ClockSource* source) {
    clock_state = ClockState{};
    if (source != nullptr) clock_state.source = source;
    local_texts = LocalTimeTexts{};
}

void note_time_of_day() {
    ClockSource& source = *clock_state.source;
    clock_state.process_ms_at_note = source.process_ms();
    clock_state.midnight_ms_at_note = source.ms_since_midnight();
    clock_state.noted = true;
}

void wait_for_second_change() {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(1);
    ClockSource& source = *clock_state.source;
    const uint32_t start_second = source.ms_since_midnight() / kMsPerSecond;
    while (steady_clock::now() < deadline) {
        if (source.ms_since_midnight() / kMsPerSecond != start_second) return;
        std::this_thread::sleep_for(milliseconds(1));
    }
}

float timer_seconds(double accuracy, int32_t presence) {
    if (error_is_pending()) return 0.0f;
    const uint32_t ms = ms_since_midnight_now();
    if ((presence & 1) != 0) {
        const double seconds = static_cast<double>(ms) / kMsPerSecond;
        return static_cast<float>(nearest_multiple(seconds, accuracy));
    }
    return static_cast<float>(nearest_tick_seconds(ms));
}

string_descriptor* date_text() {
    if (!refresh_local_texts()) return clock_failure();
    return string_temporary_copy(local_texts.date, kDateLength);
}

string_descriptor* time_text() {
    if (!refresh_local_texts()) return clock_failure();
    return string_temporary_copy(local_texts.time, kTimeLength);
}

}  // namespace zl
