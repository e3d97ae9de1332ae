#!/usr/bin/env bash
# Sets up (packages and build) and starts the benchmark in a window.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
exec "$root/build/benchmark/zentrolux" "$@"
