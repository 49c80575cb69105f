#!/usr/bin/env bash
# Starts Update.exe under Wine on a private Xvfb screen, takes a screenshot once its window is
# up (or after it has exited), stops it and says where the picture is.
# Usage: demo.sh WINDOWS_BUILD_DIR
set -euo pipefail
BUILD_DIR=$(cd "${1:?windows build folder}" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/cmake/wine-env.sh"
PROGRAM="$BUILD_DIR/bin/Update.exe"
if file -b "$PROGRAM" | grep -q '^PE32+'; then wine_select win64; else wine_select win32; fi
wine_prefix_ensure

SHOTS="$BUILD_DIR/demo"
mkdir -p "$SHOTS"
SHOT="$SHOTS/update-window.png"

unset DISPLAY
wine_bench_start
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  wine_bench_stop
}
trap cleanup EXIT

"$WINELOADER" "$PROGRAM" &
app_pid=$!
# Wait up to 30 s for the window (class of the toolkit's host window) or for the program to end.
for _ in $(seq 1 150); do
  if xdotool search --onlyvisible --class update.exe >/dev/null 2>&1; then sleep 1; break; fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
import -window root "$SHOT"
if kill -0 "$app_pid" 2>/dev/null; then
  echo "Update.exe is running; screenshot taken"
else
  wait "$app_pid" && rc=0 || rc=$?
  echo "Update.exe exited with code $rc before showing a window"
fi
echo "screenshot: $SHOT"
