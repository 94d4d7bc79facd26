#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup-deps.sh"
"$ROOT/scripts/build.sh"
exec "$ROOT/scripts/with-display.sh" "$BUILD_DIR/korvane" "$@"
