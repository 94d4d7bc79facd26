#!/usr/bin/env bash
# Installs what is missing, builds, registers the bundled sample project in
# the project hub (once) and starts the editor on the hub.
#
# With a display the editor simply opens; click "Sample Project" to open it.
# Without one the editor runs under Xvfb, the sample project is opened by
# clicking its card, and a screenshot of the editor is saved and printed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup-deps.sh"
"$ROOT/scripts/build.sh"

HOME_DIR="${HOME:-.}"
[ -n "$HOME_DIR" ] || HOME_DIR="."
# The editor writes into an open project (Library/, backups, autosaves), so
# the hub gets a copy of the bundled sample, not the repository's files.
SAMPLE_DIR="${KORVANE_SAMPLE_DIR:-$HOME_DIR/Documents/Korvane/SampleProject}"
if [ ! -d "$SAMPLE_DIR" ]; then
  mkdir -p "$(dirname "$SAMPLE_DIR")"
  cp -R "$ROOT/samples/SampleProject" "$SAMPLE_DIR"
  echo "[run] copied the sample project to $SAMPLE_DIR"
fi
REGISTRY="$HOME_DIR/.korvane_projects"
registered() {
  [ -f "$REGISTRY" ] || return 1
  awk -v root="$SAMPLE_DIR" '{ i = index($0, "|"); if (i > 0 && substr($0, i + 1) == root) found = 1 }
                             END { exit found ? 0 : 1 }' "$REGISTRY"
}
if ! registered; then
  # A registry without a final newline must not glue our line onto its last.
  if [ -s "$REGISTRY" ] && [ -n "$(tail -c 1 "$REGISTRY")" ]; then printf '\n' >> "$REGISTRY"; fi
  printf '%s|%s\n' "Sample Project" "$SAMPLE_DIR" >> "$REGISTRY"
  echo "[run] registered the sample project in $REGISTRY"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "[run] starting the editor on the project hub: click \"Sample Project\" (My Projects) to open it."
  exec "$BUILD_DIR/editor/korvane" "$@"
fi
export KORVANE_EXE="$BUILD_DIR/editor/korvane" KORVANE_SAMPLE_ROOT="$SAMPLE_DIR"
exec "$ROOT/scripts/with-display.sh" "$ROOT/scripts/open-sample.sh" "$@"
