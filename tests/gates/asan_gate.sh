#!/usr/bin/env bash
# shellcheck disable=SC2015  # "A && B || fail": fail when either test fails, as meant.
# The headless reliability gates under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, in their own build directory (default ROOT/build-asan):
#   1. the unit tests and the series runner's first-routines test, sanitized;
#   2. the series: every routine of the table on the headless runtime, one process, LeakSanitizer
#      checking the heap at its exit;
#   3. the random-argument run of every runtime operation the benchmark calls (zl_runtime_fuzz);
#   4. the leak check over the first routines (zl_leak_check), after its own self-tests have
#      shown that a lost text, a lost page and an unreferenced heap block are each caught.
# Any sanitizer report fails the gate: reports halt the process, and every step's whole output is
# searched for a report as well.
# Usage: tests/gates/asan_gate.sh [REPO_ROOT]
# Environment: ZL_GATE_BUILD (build directory), ZL_FUZZ_SECONDS (default 60), ZL_FUZZ_SEED
# (default 20261210; a failure prints the seed that reproduces it).
# Needs the packages that scripts/setup.sh installs (compiler, cmake, ninja, GoogleTest, zlib,
# console-data); it installs nothing itself.
set -euo pipefail

root="$(cd "${1:-$(dirname "$0")/../..}" && pwd)"
build="${ZL_GATE_BUILD:-$root/build-asan}"
fuzz_seconds="${ZL_FUZZ_SECONDS:-60}"
fuzz_seed="${ZL_FUZZ_SEED:-20261210}"
jobs="$(nproc)"
logs="$build/gate-logs"

# The first routines of the main sequence, in its order (each runs on the state the one before
# left): the text-screen routines and every screen-1 routine.
leak_routines=(
  test_float_math test_memory_and_ports test_text_chars_screen0 test_pset_point_screen1
  test_boxes_screen1 test_circle_fill_screen1 test_fill_trig_screen1 test_tile7_fill_screen1
  test_log_lines_screen1 test_triangles_screen1 test_palette_chars_screen1
  test_palette_box_screen1
)
# The routines that the main sequence never calls, run after it so the series covers the table.
extra_routines=(test_tile_fill_screen1 test_tile_fill_screen7 test_tile7_fill_screen7)
series_budget_seconds=300

asan_options="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1"
asan_options+=":check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
export ASAN_OPTIONS="$asan_options"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
report_pattern='ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: [A-Za-z]*Sanitizer'

started=$SECONDS
fail() {
  echo "asan_gate: FAIL: $*" >&2
  exit 1
}
stamp() { echo "asan_gate: [$((SECONDS - started)) s] $*"; }

# Fails the gate when a log holds a sanitizer report, and shows it.
no_reports() {
  local log="$1" what="$2"
  if grep -Eq "$report_pattern" "$log"; then
    grep -E -B2 -A30 "$report_pattern" "$log" | head -120 >&2 || true
    fail "$what: sanitizer report (whole output in $log)"
  fi
}

for tool in cmake ninja ctest; do
  command -v "$tool" >/dev/null || fail "$tool not found: run scripts/setup.sh first"
done

stamp "configuring $build"
cmake -S "$root/tests/gates" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZL_SANITIZE=ON -DZL_TSAN=OFF -DZL_DESKTOP=OFF -DZL_BENCH=OFF -DZL_TESTS=ON >/dev/null
stamp "building (-j$jobs)"
cmake --build "$build" -j"$jobs" >"$build/gate-build.log" 2>&1 ||
  { tail -60 "$build/gate-build.log" >&2; fail "build"; }
rm -rf "$logs"
mkdir -p "$logs"

series="$build/zentrolux/tools/zentrolux-series"
fuzz="$build/zl_runtime_fuzz"
leak="$build/zl_leak_check"
for program in "$series" "$fuzz" "$leak"; do
  [ -x "$program" ] || fail "$program was not built"
done

# ---- 1. unit tests and the first-routines series test ------------------------------------------
stamp "unit tests and series_first_routines (ctest -L unit, -R series_first_routines)"
unit_status=0
(cd "$build" && ctest -j"$jobs" --timeout 900 -V -L '^unit$') >"$logs/unit.log" 2>&1 || unit_status=$?
series_test_status=0
(cd "$build" && ctest --timeout 300 -V -R '^series_first_routines$') >"$logs/series_first.log" 2>&1 ||
  series_test_status=$?
for log in "$logs/unit.log" "$logs/series_first.log"; do
  no_reports "$log" "$(basename "$log" .log)"
  grep -E '^[0-9]+% tests passed' "$log" || fail "no ctest summary in $log"
done
if [ "$unit_status" -ne 0 ] || [ "$series_test_status" -ne 0 ]; then
  grep -E -A20 'tests FAILED|\*\*\*Failed|Subprocess' "$logs/unit.log" "$logs/series_first.log" | head -60 >&2 || true
  fail "unit tests (whole output in $logs)"
fi
grep -q 'tests passed, 0 tests failed out of 1$' "$logs/series_first.log" || fail "series_first_routines did not run"

# ---- 2, 3, 4: the series, the random-argument run and the leak check, side by side -------------
# Each is one single-threaded process, so they share the machine without slowing each other.
stamp "series (all routines), random-argument run (${fuzz_seconds} s, seed $fuzz_seed) and leak check, in parallel"
series_start=$SECONDS
(
  set -e
  "$series" >"$logs/series.log" 2>&1
  "$series" "${extra_routines[@]}" >"$logs/series_extra.log" 2>&1
  echo "$((SECONDS - series_start))" >"$logs/series.seconds"
) &
series_pid=$!
"$fuzz" --seconds "$fuzz_seconds" --seed "$fuzz_seed" >"$logs/fuzz.log" 2>&1 &
fuzz_pid=$!
(
  # The leak check's self-tests: each kind of leak must be caught, or a clean result means nothing.
  status=0
  "$leak" self_test_lost_text self_test_lost_page >"$logs/leak_self_test.log" 2>&1 || status=$?
  [ "$status" -eq 1 ] || { echo "self-test: exit $status, expected 1"; exit 1; }
  grep -q '^self_test_lost_text LEAK texts 0 -> 1' "$logs/leak_self_test.log" || { echo "lost text not caught"; exit 1; }
  grep -q '^self_test_lost_page LEAK pages 2' "$logs/leak_self_test.log" || { echo "lost page not caught"; exit 1; }
  status=0
  ASAN_OPTIONS="$asan_options:exitcode=23" "$leak" self_test_heap_leak >"$logs/leak_self_test_heap.log" 2>&1 || status=$?
  [ "$status" -eq 23 ] && grep -q 'ERROR: LeakSanitizer: detected memory leaks' "$logs/leak_self_test_heap.log" ||
    { echo "unreferenced heap block not caught by LeakSanitizer (exit $status)"; exit 1; }
  "$leak" "${leak_routines[@]}" >"$logs/leak.log" 2>&1
) >"$logs/leak_steps.log" 2>&1 &
leak_pid=$!

series_status=0; wait "$series_pid" || series_status=$?
fuzz_status=0; wait "$fuzz_pid" || fuzz_status=$?
leak_status=0; wait "$leak_pid" || leak_status=$?

# The series.
for log in "$logs/series.log" "$logs/series_extra.log"; do
  [ -f "$log" ] && no_reports "$log" series
done
[ "$series_status" -eq 0 ] || { tail -40 "$logs/series.log" "$logs/series_extra.log" >&2 2>/dev/null; fail "series exited with $series_status"; }
routine_line='^test_[a-z0-9_]+ seconds=[0-9]+\.[0-9]{3} seed=[0-9]+ page=[0-9a-f]{8} palette=[0-9a-f]{8}$'
main_routines=$(grep -Ec "$routine_line" "$logs/series.log" || true)
[ "$main_routines" -gt 0 ] && [ "$main_routines" -eq "$(grep -c '^test_' "$logs/series.log")" ] ||
  fail "series: no routine ran, or a routine line is malformed"
[ "$(grep -Ec "$routine_line" "$logs/series_extra.log" || true)" -eq "${#extra_routines[@]}" ] ||
  fail "series: the routines outside the main sequence did not all run"
grep -q '^total seconds=' "$logs/series.log" && grep -q '^total seconds=' "$logs/series_extra.log" ||
  fail "series: no total line"
series_routines=$((main_routines + ${#extra_routines[@]}))
series_seconds=$(cat "$logs/series.seconds")
cat "$logs/series.log" "$logs/series_extra.log"
stamp "series: $series_routines routines in ${series_seconds} s, no report"
if [ "$series_seconds" -gt "$series_budget_seconds" ]; then
  echo "asan_gate: WARNING: the series took ${series_seconds} s, over its ${series_budget_seconds} s budget" >&2
fi

# The random-argument run (its chain hand-over cases make the runtime say that it cannot change
# to their random directories: expected, and left out of what is shown).
no_reports "$logs/fuzz.log" "random-argument run"
grep -v '^chain: cannot change to' "$logs/fuzz.log" | grep -Ev '^(\[Critical Error\]|Division by zero)$' || true
[ "$fuzz_status" -eq 0 ] || fail "random-argument run exited with $fuzz_status (seed $fuzz_seed; whole output in $logs/fuzz.log)"
fuzz_calls=$(sed -nE 's/^random-argument calls: ([0-9]+) .*/\1/p' "$logs/fuzz.log")
[ -n "$fuzz_calls" ] && [ "$fuzz_calls" -gt 0 ] || fail "random-argument run made no call"
stamp "random-argument run: $fuzz_calls calls in $fuzz_seconds s (seed $fuzz_seed), no report"

# The leak check.
no_reports "$logs/leak_self_test.log" "leak check self-test"
[ -f "$logs/leak.log" ] && no_reports "$logs/leak.log" "leak check"
cat "$logs/leak_steps.log" "$logs/leak.log" 2>/dev/null || true
[ "$leak_status" -eq 0 ] || fail "leak check (logs in $logs)"
[ "$(grep -c ' gave everything back$' "$logs/leak.log")" -eq "${#leak_routines[@]}" ] ||
  fail "leak check: not every routine gave everything back"
stamp "leak check: ${#leak_routines[@]} routines gave back every text, page and block; LeakSanitizer silent; self-tests caught all three leaks"

stamp "all gates passed"
echo "gates: 4 passed, 0 failed"
