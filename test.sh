#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GL tests under Xvfb).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup-deps.sh"
"$ROOT/scripts/build.sh"
cd "$BUILD_DIR"
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
exec "$ROOT/scripts/with-display.sh" ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
