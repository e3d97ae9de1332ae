#!/usr/bin/env bash
# The series runner on the first three routines: the report's form, the seeds each leaves, the
# same pages on a second run, the dumped frames, and the exit code for an unknown routine.
set -euo pipefail
runner="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

routines=(test_float_math test_memory_and_ports test_text_chars_screen0)
"$runner" --dump "$work/frames" "${routines[@]}" >"$work/first.txt"
cat "$work/first.txt"

fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(wc -l <"$work/first.txt")" -eq 4 ] || fail "expected three routine lines and a total"
line='^[a-z0-9_]+ seconds=[0-9]+\.[0-9]{3} seed=[0-9]+ page=[0-9a-f]{8} palette=[0-9a-f]{8}$'
head -3 "$work/first.txt" | grep -Evq "$line" && fail "a routine line is malformed"
tail -1 "$work/first.txt" | grep -Eq '^total seconds=[0-9]+\.[0-9]{3}$' || fail "bad total line"

expect_seed() {
    grep -q "^$1 .* seed=$2 " "$work/first.txt" || fail "$1 should leave seed $2"
}
expect_seed test_float_math 12046592
expect_seed test_memory_and_ports 12046592
expect_seed test_text_chars_screen0 1765108

# Deterministic pictures: a second run reports the same seeds and CRCs.
"$runner" "${routines[@]}" >"$work/second.txt"
strip() { sed -E 's/ seconds=[0-9.]+//' "$1" | grep -v '^total'; }
diff <(strip "$work/first.txt") <(strip "$work/second.txt") || fail "second run differs"

for name in "${routines[@]}"; do
    frame="$work/frames/$name.ppm"
    [ -f "$frame" ] || fail "no frame for $name"
    [ "$(head -c 15 "$frame" | tr '\n' ' ')" = "P6 640 400 255 " ] || fail "bad PPM header for $name"
    [ "$(stat -c %s "$frame")" -eq $((15 + 640 * 400 * 3)) ] || fail "bad PPM size for $name"
done

status=0
"$runner" test_no_such_routine >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "unknown routine should exit with 2, got $status"
echo "series runner: first three routines OK"
