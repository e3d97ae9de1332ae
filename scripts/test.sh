#!/usr/bin/env bash
# Sets up (packages and build) and runs the whole test suite: unit tests, the headless series,
# the end-to-end tests of the real window under Xvfb, and the reliability gates (sanitizer
# builds, random-argument and leak checks, the thread-checked program and its fault runs).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)" --timeout 900)
"$root/tests/gates/asan_gate.sh" "$root"
"$root/tests/gates/desktop_gate.sh"
