// Owns the main sequence: the window title, full screen, banner, key waits, the timed run of the
// test routines, the key drop, the result line and the end.
#pragma once

#include <span>

#include "benchmark/routines.h"

namespace zl {

// The benchmark's entry routine on the program thread; ends in end_program, never returns.
[[noreturn]] void benchmark_main();

// The main sequence calling the routines of this list with main_line != 0; benchmark_main passes
// routine_table(). Tests pass a short list.
[[noreturn]] void run_main_sequence(std::span<const RoutineEntry> routines);

// The reset routine: empties the main sequence's variables, closes every file and frees the
// images. Nothing in the benchmark calls it.
void clear_main_variables();

// The result: end − start in extended precision, rounded to single. A run that crossed midnight
// reads a smaller end than start; a day is added so the result stays the elapsed time.
float elapsed_seconds(float start_time, float end_time);

}  // namespace zl
