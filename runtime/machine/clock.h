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
};

void set_clock_source(ClockSource* source);      // nullptr restores the system clock

// Notes the time of day against the process clock; start-up calls it once the second changed.
void note_time_of_day();
// Waits (at most one second) until the wall-clock second changes.
void wait_for_second_change();

float timer_seconds(double accuracy, int32_t presence);
string_descriptor* date_text();
string_descriptor* time_text();

}  // namespace zl
