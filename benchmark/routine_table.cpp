#include <algorithm>

#include "benchmark/routines.h"

namespace zl {

namespace {

// In the main sequence's order; main line 0 marks the three routines it never calls.
constexpr RoutineEntry kRoutines[] = {
    {"test_float_math", test_float_math, 60},
    {"test_memory_and_ports", test_memory_and_ports, 61},
    {"test_text_chars_screen0", test_text_chars_screen0, 62},
    {"test_pset_point_screen1", test_pset_point_screen1, 63},
    {"test_boxes_screen1", test_boxes_screen1, 64},
    {"test_circle_fill_screen1", test_circle_fill_screen1, 65},
    {"test_fill_trig_screen1", test_fill_trig_screen1, 66},
    {"test_tile7_fill_screen1", test_tile7_fill_screen1, 68},
    {"test_log_lines_screen1", test_log_lines_screen1, 69},
    {"test_triangles_screen1", test_triangles_screen1, 70},
    {"test_palette_chars_screen1", test_palette_chars_screen1, 71},
    {"test_palette_box_screen1", test_palette_box_screen1, 72},
    {"test_pset_point_screen7", test_pset_point_screen7, 73},
    {"test_boxes_screen7", test_boxes_screen7, 74},
    {"test_circle_fill_screen7", test_circle_fill_screen7, 75},
    {"test_fill_trig_screen7", test_fill_trig_screen7, 76},
    {"test_log_lines_screen7", test_log_lines_screen7, 79},
    {"test_triangles_screen7", test_triangles_screen7, 80},
    {"test_counter_triangles_screen7", test_counter_triangles_screen7, 81},
    {"test_palette_chars_screen7", test_palette_chars_screen7, 82},
    {"test_palette_box_screen7", test_palette_box_screen7, 83},
    {"test_palette_box_screen12", test_palette_box_screen12, 84},
    {"test_counter_triangles_screen12", test_counter_triangles_screen12, 85},
    {"test_tile_fill_screen1", test_tile_fill_screen1, 0},
    {"test_tile_fill_screen7", test_tile_fill_screen7, 0},
    {"test_tile7_fill_screen7", test_tile7_fill_screen7, 0},
};

}  // namespace

std::span<const RoutineEntry> routine_table() {
    return std::span<const RoutineEntry>(kRoutines);
}

const RoutineEntry* find_routine(std::string_view name) {
    const auto table = routine_table();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [name](const RoutineEntry& entry) { return entry.name == name; });
    return it == table.end() ? nullptr : &*it;
}

}  // namespace zl
