#!/usr/bin/env bash
# Starts Update.exe under Wine on a private Xvfb screen, takes a screenshot once its window is
# up (or after it has exited), stops it and says where the picture is.
# Usage: demo.sh WINDOWS_BUILD_DIR
set -euo pipefail
BUILD_DIR=$(cd "${1:?windows build folder}" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/cmake/wine-env.sh"
PROGRAM="$BUILD_DIR/bin/Update.exe"
wine_select_for "$PROGRAM"
wine_prefix_ensure

SHOTS="$BUILD_DIR/demo"
mkdir -p "$SHOTS"
SHOT="$SHOTS/install-page.png"

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
window=
for _ in $(seq 1 150); do
  window=$(xdotool search --onlyvisible --class update.exe 2>/dev/null | head -1) && [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$window" ]; then
  import -window root "$SHOT"
  wait "$app_pid" && rc=0 || rc=$?
  echo "Update.exe exited with code $rc before showing a window"
  echo "screenshot: $SHOT"
  exit 1
fi
# The first picture reaches X shortly after the window is mapped.
sleep 1
import -window root "$SHOT"
echo "Update.exe shows the install page; screenshot taken"

# Close it with its own close button (18 x 18 at 45 pixels from the right, 20 from the top).
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 840 - 45 + 8)) $((Y + 20 + 8)) click 1
if timeout 15 tail --pid="$app_pid" -f /dev/null; then
  wait "$app_pid" && rc=0 || rc=$?
  echo "Update.exe closed by its close button, exit code $rc"
else
  echo "Update.exe did not close within 15 s"
fi
app_pid=
echo "screenshot: $SHOT"
