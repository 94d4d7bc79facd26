#!/usr/bin/env bash
# Configures (once) and builds Korvane into build/ (or $KORVANE_BUILD_DIR).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"
BUILD_TYPE="${KORVANE_BUILD_TYPE:-Release}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
    -DKORVANE_DEPS_DIR="${KORVANE_DEPS_DIR:-$ROOT/build/_deps}" "$@"
fi
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
