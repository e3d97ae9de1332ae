#!/bin/bash
# The desktop gates: builds zl_gate_program with ThreadSanitizer (build-tsan) and as a release
# build with its X tools (build-gates), then runs desktop_gate.py under Xvfb. Run from anywhere;
# extra arguments name the gates to run (all by default).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
jobs=$(nproc)

configure() {
  local dir=$1
  shift
  [[ -f $dir/build.ninja ]] || cmake -S tests/gates -B "$dir" -G Ninja "$@" >/dev/null
}

configure build-tsan -DZL_TSAN=ON -DZL_TESTS=OFF -DZL_BENCH=OFF
configure build-gates -DZL_TESTS=ON -DZL_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target zl_gate_program
cmake --build build-gates -j "$jobs" --target zl_gate_program zl_screen_cells zl_send_close

tools=build-gates/zentrolux/tests/e2e
exec /usr/bin/python3 tests/gates/desktop_gate.py "$@" \
  --program build-gates/zl_gate_program \
  --tsan-program build-tsan/zl_gate_program \
  --cells "$tools/zl_screen_cells" \
  --close "$tools/zl_send_close" \
  --suppressions tests/gates/desktop_gate.tsan.supp
