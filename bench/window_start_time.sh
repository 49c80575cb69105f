#!/usr/bin/env bash
# Start-to-visible time of Update.exe's window under a warm Wine (not part of ./dev test): the
# bench's prefix already made, one persistent wineserver and Xvfb screen for the whole run, one
# start to warm up, then RUNS starts, each ended before the next. Prints each time and the median.
#   bench/window_start_time.sh UPDATE_EXE [RUNS]      (RUNS=9 by default)
set -uo pipefail
UPDATE=$(realpath "${1:?Update.exe}")
RUNS=${2:-9}
source "$(dirname "${BASH_SOURCE[0]}")/../cmake/wine-env.sh"
wine_select_for "$UPDATE"
unset DISPLAY
wine_bench_start
trap wine_bench_stop EXIT

# start_once: prints the milliseconds from the start to the visible window, or fails.
start_once() {
  local started visible pid deadline=$((SECONDS + 30))
  started=$(date +%s%N)
  "$WINELOADER" "$UPDATE" >/dev/null 2>&1 &
  pid=$!
  while [ $SECONDS -lt $deadline ]; do
    if xdotool search --onlyvisible --class update.exe >/dev/null 2>&1; then
      visible=$(date +%s%N)
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # The next start must not find this window still mapped.
  while xdotool search --onlyvisible --class update.exe >/dev/null 2>&1; do sleep 0.05; done
  [ -n "${visible:-}" ] && echo $(((visible - started) / 1000000))
}

start_once >/dev/null || { echo "warm-up start showed no window"; exit 1; }
times=()
for run in $(seq 1 "$RUNS"); do
  ms=$(start_once) || { echo "run $run: no window"; exit 1; }
  echo "run $run: $ms ms"
  times+=("$ms")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "median start-to-visible under a warm Wine: $median ms over $RUNS starts"
