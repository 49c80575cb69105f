#!/usr/bin/env bash
# The two ends of a run, many times over, as the end-to-end tests meet them once each:
#  (a) closes: Update.exe in update mode against a refused answer and against one whose
#      signature is refused, "下载失败" waited for through ui-inspect, then closed by the close
#      button and by WM_CLOSE in turn. A program still there 30 s after the close is a hang: the
#      backtraces of its threads are saved, then it is ended.
#  (b) first frames: Update.exe started in update mode while a package arrives, and in install
#      mode; the first frame the window shows must be the whole page (banner, white lower half),
#      never black. Each is closed by WM_CLOSE, and counted as a hang as above.
# Prints the counts. Not part of ./dev test (about 3 s a close and 4 s a start).
# Usage: stress.sh [--load N] [--build WINDOWS_BUILD_DIR] CLOSES [STARTS]
#   --load N  N busy processes beside the run, as a loaded CI machine has (two tests at once)
#   --build   the build to run (by default the one ./dev test runs here); STARTS is CLOSES when
#             not given
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/tools/workflow-bench.sh"
LOAD=0 BUILD_DIR=
while [ $# -gt 0 ]; do
  case "$1" in
    --load) LOAD=$2; shift 2 ;;
    --build) BUILD_DIR=$(cd "$2" && pwd); shift 2 ;;
    *) break ;;
  esac
done
ROUNDS=${1:?closes}
STARTS=${2:-$ROUNDS}
if [ -z "$BUILD_DIR" ]; then
  if wine_can_run_32bit; then BUILD_DIR=$ROOT/build/win32; else BUILD_DIR=$ROOT/build/win64; fi
fi
BIN=$BUILD_DIR/bin
STUB=$ROOT/build/native/bin/vendor-stub
wine_select_for "$BIN/Update.exe"
OUT=$BUILD_DIR/stress
rm -rf "$OUT" && mkdir -p "$OUT"
WORK=$(mktemp -d)
DRIVE_C="$WINEPREFIX/drive_c"
FOLDER='C:\zorvik-stress\'

unset DISPLAY
wine_bench_start
load_pids=()
for _ in $(seq 1 "$LOAD"); do
  sh -c 'while :; do :; done' &
  load_pids+=($!)
done
cleanup() {
  set +e
  for pid in "${load_pids[@]}"; do kill "$pid"; done
  stop_stub
  reg_quiet delete "$OVERRIDE_KEY" /f
  rm -rf "$DRIVE_C/zorvik-stress" "$WORK"
  wine_bench_stop
}
trap cleanup EXIT

mkdir -p "$DRIVE_C/zorvik-stress"
cp "$BIN/Update.exe" "$BIN/Update-testkey.exe" "$DRIVE_C/zorvik-stress/"
start_stub --package-bytes 20000000 --drip-bytes 65536 --drip-interval-ms 40 \
  --signing-key "$ROOT/tests/app/release-test-key.secret"

# ended_within LIMIT LOG: true when Update.exe ends within LIMIT seconds; otherwise its threads'
# backtraces go to LOG and it is ended.
ended_within() {
  timeout "$1" tail --pid="$app_pid" -f /dev/null && { wait "$app_pid"; return 0; }
  {
    echo "--- the close: $closed"
    echo "--- the window now: $(w "$BIN/window_probe.exe" state 2>&1 | tr -d '\r')"
    echo "--- its accessible tree now:"; inspect --timeout 5 || true
    wine_backtrace "$(basename "${UPDATER//\\//}")"
    echo "--- its standard error"; cat "$WORK/update.err"
  } >"$2" 2>&1
  kill "$app_pid" 2>/dev/null
  wait "$app_pid"
  return 1
}

echo "== (a) $ROUNDS closes on the failure display"
hangs=0 no_failure=0
rows=("Update|refused|button" "Update-testkey|signed-expires|WM_CLOSE"
      "Update|refused|WM_CLOSE" "Update-testkey|signed-expires|button")
for round in $(seq 1 "$ROUNDS"); do
  IFS='|' read -r program scenario how <<<"${rows[$(((round - 1) % 4))]}"
  use_service "$scenario"
  UPDATER="${FOLDER}$program.exe"
  run_update 3
  if ! inspect --wait 下载失败 --timeout 60 >/dev/null; then
    no_failure=$((no_failure + 1))
    echo "round $round ($program, $scenario): no failure display"
  fi
  if [ "$how" = button ]; then closed=$(inspect --do 关闭); else closed=$(w "$BIN/window_probe.exe" close 2>&1); fi
  closed="$how: exit $?, $closed"
  if ! ended_within 30 "$OUT/hang-$round.txt"; then
    hangs=$((hangs + 1))
    echo "round $round ($program, $scenario, closed by $how): still running after 30 s;" \
      "backtraces in $OUT/hang-$round.txt"
  fi
done

echo "== (b) $STARTS first frames in update mode, and as many of the install page"
use_service package-drip
UPDATER="${FOLDER}Update.exe"
black=0 no_window=0
# Each mode: its arguments | client points "x y banner|white" that its first frame must show.
modes=("update|3|420 100 banner,100 560 white,800 470 white"
       "install||420 100 banner,100 560 white,800 460 white")
for round in $(seq 1 "$STARTS"); do
  for mode in "${modes[@]}"; do
    IFS='|' read -r name args points <<<"$mode"
    # shellcheck disable=SC2086
    run_update $args
    state=$(w "$BIN/window_probe.exe" wait 2>/dev/null | tr -d '\r') || true
    shot="$OUT/first-frame-$name-$round.png"
    import -window root "$shot"
    left=$(sed -n 's/.*left=\([-0-9]*\).*/\1/p' <<<"$state")
    top=$(sed -n 's/.*top=\([-0-9]*\).*/\1/p' <<<"$state")
    if [ -z "$left" ]; then
      no_window=$((no_window + 1))
      echo "round $round, $name: no window ($state)"
    else
      whole=1 seen=
      IFS=, read -ra probes <<<"$points"
      for point in "${probes[@]}"; do
        read -r x y what <<<"$point"
        read -r r g b <<<"$(convert "$shot" -crop "1x1+$((left + x))+$((top + y))" \
          -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" info:)"
        if [ "$what" = white ]; then ok=$((r + g + b == 765)); else ok=$((r + g + b > 60)); fi
        [ "$ok" = 1 ] || whole=0
        seen="$seen ($x,$y)=$r,$g,$b"
      done
      if [ "$whole" = 1 ]; then rm -f "$shot"; else
        black=$((black + 1))
        echo "round $round, $name: the first frame is not the whole page:$seen ($shot)"
      fi
    fi
    closed="WM_CLOSE: $(w "$BIN/window_probe.exe" close 2>&1)"
    if ! ended_within 30 "$OUT/hang-start-$name-$round.txt"; then
      hangs=$((hangs + 1))
      echo "round $round, $name: still running 30 s after the close"
    fi
  done
done

echo "== summary ($BUILD_DIR, $LOAD busy processes beside it)"
echo "closes on the failure display: $ROUNDS, no failure display: $no_failure"
echo "starts: $STARTS in each mode, first frames not whole: $black, no window: $no_window"
echo "processes still running 30 s after a close (of $((ROUNDS + 2 * STARTS))): $hangs"
[ "$hangs" = 0 ] && [ "$black" = 0 ] && [ "$no_failure" = 0 ] && [ "$no_window" = 0 ]
