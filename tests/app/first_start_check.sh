#!/usr/bin/env bash
# First starts of Update.exe as a new user has them: for each round a fresh prefix made as the
# bench makes it, a persistent wineserver, and the program started at once from C:\dl on a fresh
# Xvfb screen. Each start must show the window; its time from start to visible is printed.
# Slow (about 15 s a round) and not part of ./dev test.
# Usage: first_start_check.sh UPDATE_EXE [ROUNDS] [WORK_DIR]
set -uo pipefail
UPDATE=$(realpath "${1:?Update.exe}")
ROUNDS=${2:-20}
WORK=$(mkdir -p "${3:-$(dirname "$UPDATE")/../first-start}" && cd "${3:-$(dirname "$UPDATE")/../first-start}" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-env.sh"
wine_select_for "$UPDATE"
unset DISPLAY

round_prefix=
cleanup() {
  [ -n "$round_prefix" ] && WINEPREFIX=$round_prefix wineserver -k >/dev/null 2>&1
  xvfb_stop
}
trap cleanup EXIT

shown=0
times=()
for round in $(seq 1 "$ROUNDS"); do
  export WINEPREFIX="$WORK/prefix"
  round_prefix=$WINEPREFIX
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  wine_prefix_ensure
  mkdir -p "$WINEPREFIX/drive_c/dl"
  cp "$UPDATE" "$WINEPREFIX/drive_c/dl/Update.exe"
  xvfb_start
  wineserver -p >/dev/null 2>&1
  started=$(date +%s%N)
  (cd "$WINEPREFIX/drive_c/dl" && exec "$WINELOADER" 'C:\dl\Update.exe' >"$WORK/round-$round.log" 2>&1) &
  pid=$!
  visible=
  deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    if xdotool search --onlyvisible --class update.exe >/dev/null 2>&1; then
      visible=$(date +%s%N)
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ -n "$visible" ]; then
    ms=$(((visible - started) / 1000000))
    shown=$((shown + 1))
    times+=("$ms")
    echo "round $round: window shown after $ms ms"
  else
    kill -0 "$pid" 2>/dev/null && state="still running" || state="ended"
    echo "round $round: NO WINDOW (Update.exe $state; its output: $(tr '\n' ' ' <"$WORK/round-$round.log"))"
  fi
  wineserver -k >/dev/null 2>&1
  wait "$pid" 2>/dev/null
  wineserver -w >/dev/null 2>&1
  xvfb_stop
done
round_prefix=
rm -rf "$WORK/prefix" "$WORK/prefix.lock"
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]}')
echo "first starts that showed the window: $shown of $ROUNDS (median start-to-visible ${median:-?} ms)"
[ "$shown" = "$ROUNDS" ]
