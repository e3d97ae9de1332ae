// The memory, port and clock scan test: for 4,096 segments, 1,025 offsets each, the date and time
// texts, four port reads, eight byte reads and eight address values, each its own statement.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/low_memory.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

constexpr float kLastSegment = 65535.0f;   // minuend of the progress count
// Every variable in emulated low memory lies in the default data segment.
constexpr float kVariableSegment = 80.0f;

// The variable's distance from the default data segment's first byte, as its offset there.
float offset_in_data_segment(const float& variable) {
    const auto* byte = reinterpret_cast<const uint8_t*>(&variable);
    const auto distance = static_cast<uint32_t>(byte - (low_memory + kDefaultDataBase));
    return static_cast<float>(distance & kOffsetMask);
}

}  // namespace

void test_memory_and_ports() {
    Routine routine;
    float& segment_counter = routine.make_single();
    float& offset_counter = routine.make_single();
    string_descriptor*& clock_text = routine.make_text();
    float& low_memory_variable = routine.make_low_memory_single();
    float& address_value = routine.make_single();
    if (!routine.enter()) return;

    clear_screen(0, 0, 0);
    check(120);
    set_colour(3, 0, 0, 1);
    check(120);
    for (CountedLoop segments(segment_counter, 1.0, 65535.0, 16.0, 121); segments.pass();
         segments.step()) {
        set_cursor(10, 30, 0, 0, 0, 3);
        check(122);
        const float remaining = difference(kLastSegment, segment_counter);
        print_list(routine, {literal("Progress: "), number(remaining)}, LineEnd::yes, 122);
        set_memory_segment(to_int(segment_counter), 1);
        check(123);
        for (CountedLoop offsets(offset_counter, 0.0, 1024.0, 1.0, 124); offsets.pass();
             offsets.step()) {
            string_assign(clock_text, date_text());
            routine.end_statement(125);
            string_assign(clock_text, time_text());
            routine.end_statement(126);

            low_memory_variable = static_cast<float>(read_port(to_int(offset_counter)));
            check(127);
            low_memory_variable = static_cast<float>(read_port(to_int(offset_counter)));
            check(128);
            low_memory_variable = static_cast<float>(read_port(to_int(offset_counter)));
            check(129);
            low_memory_variable = static_cast<float>(read_port(to_int(offset_counter)));
            check(130);

            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(131);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(132);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(133);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(134);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(135);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(136);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(137);
            low_memory_variable = static_cast<float>(peek_byte(to_int(offset_counter)));
            check(138);

            address_value = kVariableSegment;
            check(139);
            address_value = kVariableSegment;
            check(140);
            address_value = kVariableSegment;
            check(141);
            address_value = kVariableSegment;
            check(142);

            address_value = offset_in_data_segment(low_memory_variable);
            check(143);
            address_value = offset_in_data_segment(low_memory_variable);
            check(144);
            address_value = offset_in_data_segment(low_memory_variable);
            check(145);
            address_value = offset_in_data_segment(low_memory_variable);
            check(146);
        }
    }
}

}  // namespace zl
