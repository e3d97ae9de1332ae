// The 26 test routines and the table that names them, in main-sequence order.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zl {

void test_float_math();
void test_memory_and_ports();
void test_text_chars_screen0();
void test_pset_point_screen1();
void test_boxes_screen1();
void test_circle_fill_screen1();
void test_fill_trig_screen1();
void test_tile7_fill_screen1();
void test_log_lines_screen1();
void test_triangles_screen1();
void test_palette_chars_screen1();
void test_palette_box_screen1();
void test_pset_point_screen7();
void test_boxes_screen7();
void test_circle_fill_screen7();
void test_fill_trig_screen7();
void test_log_lines_screen7();
void test_triangles_screen7();
void test_counter_triangles_screen7();
void test_palette_chars_screen7();
void test_palette_box_screen7();
void test_palette_box_screen12();
void test_counter_triangles_screen12();
// Built but never called by the main sequence.
void test_tile_fill_screen1();
void test_tile_fill_screen7();
void test_tile7_fill_screen7();

struct RoutineEntry {
    std::string_view name;
    void (*run)();
    int32_t main_line;   // the main sequence's call line; 0 for the routines it never calls
};

// Every routine that is built: first those the main sequence calls, in its order, then the others.
std::span<const RoutineEntry> routine_table();
const RoutineEntry* find_routine(std::string_view name);

}  // namespace zl
