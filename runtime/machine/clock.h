// Owns the seconds-since-midnight clock and the date and time texts.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

namespace zl {

// Where the clock reads from; tests replace it to cross midnight.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual uint32_t process_ms() = 0;           // a monotonic millisecond count
    virtual uint32_t ms_since_midnight() = 0;    // local time of day
    // Calendar seconds as the platform's time() gives them (-1 when the clock cannot be read);
    // the date and time texts convert them with the local time zone.
    virtual int64_t wall_seconds();
};

constexpr uint32_t kMsPerDay = 86400000;
constexpr double kTicksPerSecond = 18.2;

void set_clock_source(ClockSource* source);      // nullptr restores the system clock

// Notes the time of day against the process clock; start-up calls it once the second changed.
void note_time_of_day();
// Waits (at most one second) until the wall-clock second changes.
void wait_for_second_change();

// Seconds since midnight, rounded to the nearest clock tick (1/18.2 s) unless an accuracy is
// given (presence bit 1), in which case to the nearest multiple of a positive accuracy.
float timer_seconds(double accuracy, int32_t presence);
// "MM-DD-YYYY" and "HH:MM:SS" of the local time, as new temporaries; error 5 and an empty
// temporary when the clock cannot be read or converted.
string_descriptor* date_text();
string_descriptor* time_text();

}  // namespace zl
