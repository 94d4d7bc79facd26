#!/usr/bin/env bash
# Drives the editor on the current display (normally a private Xvfb started
# by with-display.sh): waits for the hub, clicks the card of the project at
# $KORVANE_SAMPLE_ROOT, waits for the editor, saves a screenshot (PNG),
# prints its path and closes the editor.
set -euo pipefail
: "${KORVANE_EXE:?path of the korvane executable}"
: "${KORVANE_SAMPLE_ROOT:?root of the project to open}"
export LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}" ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
LOG="$(mktemp /tmp/korvane-run.XXXXXX.log)"
KORVANE_UI_PROBE=1 KORVANE_LOG_STDERR=1 "$KORVANE_EXE" "$@" 2>"$LOG" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# wait_for <fixed text> <seconds>
wait_for() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    grep -qF -- "$1" "$LOG" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "[run] gave up waiting for: $1 (editor log: $LOG)" >&2
  return 1
}

wait_for "[probe] frame state=0" 60
wait_for " $KORVANE_SAMPLE_ROOT" 20
index="$(grep -F -- ".root $KORVANE_SAMPLE_ROOT" "$LOG" | grep -F "[probe] text hub.card." | tail -n 1 |
         sed -E 's/^\[probe\] text hub\.card\.([0-9]+)\.root .*/\1/')"
read -r x y w h < <(grep -E "^\[probe\] rect hub\.card\.$index " "$LOG" | tail -n 1 | awk '{print $4, $5, $6, $7}')
echo "[run] opening the sample project (card $index)"
xdotool mousemove $((x + w / 2)) $((y + h / 2))
sleep 0.3
xdotool click 1
wait_for "[INFO] Korvane Editor v0.4.0 - Ready" 60
wait_for "[probe] frame state=2" 30
sleep 1
shot="/tmp/korvane-editor-$(date +%Y%m%d-%H%M%S).png"
import -window root "$shot"
grep -E '^\[(INFO|WARN|ERROR)\]' "$LOG" || true
echo "[run] editor screenshot: $shot"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
trap - EXIT
