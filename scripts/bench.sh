#!/usr/bin/env bash
# Builds Korvane and runs every benchmark in bench/, each printing
# "name value unit" lines. GL benchmarks get a display (Xvfb when needed).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup-deps.sh" >/dev/null
"$ROOT/scripts/build.sh" >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
shopt -s nullglob
for b in "$BUILD_DIR"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "# $(basename "$b")"
  "$ROOT/scripts/with-display.sh" "$b"
done
