#!/usr/bin/env bash
# The changed-items benchmark, all in one run on one machine under the same Wine (not a test): a
# package of about 200 MB in 60 items, and an update that changes 3 of them (about 5 MB). The
# update fetched as changed items against the same update by full download, both by
# Update-testkey.exe against signed answers (so the full one asks for no tail first), best of
# three each: bytes on the wire, time from start to exit, peak memory. Then both once more over a
# link held to 20 Mbit/s: in a network namespace of its own, whose loopback tc's tbf holds down.
# Usage: bench/changed_items_bench.sh [WINDOWS_BUILD_DIR]   (default: the build ./dev tests with)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/workflow-bench.sh"
HELD_LINK=
if [ "${1:-}" = --held-link ]; then HELD_LINK=1 WORK=$3; shift; fi
BUILD_DIR=${1:-}
if [ -z "$BUILD_DIR" ]; then
  if wine_can_run_32bit; then BUILD_DIR="$ROOT/build/win32"; else BUILD_DIR="$ROOT/build/win64"; fi
fi
BIN="$BUILD_DIR/bin"
STUB="$ROOT/build/native/bin/vendor-stub"
KEY="$ROOT/tests/app/release-test-key.secret"
wine_select_for "$BIN/Update.exe"
DRIVE_C="$WINEPREFIX/drive_c"
INSTALLED="$DRIVE_C/Program Files (x86)/ZorvikClient"
INSTALL='C:\Program Files (x86)\ZorvikClient\'

now_ms() { echo $(($(date +%s%N) / 1000000)); }
ratio() { awk "BEGIN{printf \"%.2f\", $1/$2}"; }

# The trees: 57 data files of 3.4 MB and 3 libraries of 1.7 MB, incompressible; v2 changes the
# libraries. The package is v2, stored as zip stores what it cannot shrink.
make_trees() {
  mkdir -p "$WORK/v1/data" "$WORK/v1/bin"
  for i in $(seq -w 1 57); do head -c 3400000 /dev/urandom >"$WORK/v1/data/d$i.bin"; done
  for i in 1 2 3; do head -c 1700000 /dev/urandom >"$WORK/v1/bin/lib$i.dll"; done
  cp "$BIN/fake-client.exe" "$WORK/v1/ZorvikClient.exe"
  cp -a "$WORK/v1" "$WORK/v2"
  for i in 1 2 3; do head -c 1700000 /dev/urandom >"$WORK/v2/bin/lib$i.dll"; done
  (cd "$WORK/v2" && zip -q -r -n .bin:.dll "$WORK/package.zip" .)
}

# update_once STUB_OPTIONS...: v1 installed afresh, then Update-testkey.exe 3 against a stub with
# these options; its time, bytes on the wire and peak memory go to $ms, $sent and $peak.
update_once() {
  start_stub --package "$WORK/package.zip" --signing-key "$KEY" "$@"
  use_service
  rm -rf "$INSTALLED" && cp -a "$WORK/v1" "$INSTALLED" && cp "$BIN/Update-testkey.exe" "$INSTALLED/Update.exe"
  UPDATER="${INSTALL}Update.exe"
  sync
  local t app
  t=$(now_ms)
  run_update 3
  app=$app_pid
  peak=0
  while kill -0 "$app_pid" 2>/dev/null; do
    hwm=$(sed -n 's/^VmHWM:[^0-9]*\([0-9]*\).*/\1/p' "/proc/$app/status" 2>/dev/null || true)
    [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    sleep 0.05
  done
  ms=$(($(now_ms) - t))
  wait_exit 10
  diff -r -x Update.exe "$WORK/v2" "$INSTALLED" >/dev/null || { echo "the update is not v2"; exit 1; }
  sent=$(stub_count package_bytes_sent)
  stop_stub
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1 || true
}

# measure LABEL ROUNDS: both ways, the best time of ROUNDS each.
measure() {
  local best_changed= best_full= changed_sent full_sent changed_peak full_peak
  for _ in $(seq "$2"); do
    update_once --index-items yes
    [ -z "$best_changed" ] || [ "$ms" -lt "$best_changed" ] && best_changed=$ms
    changed_sent=$sent changed_peak=$peak
    update_once --index-items no
    [ -z "$best_full" ] || [ "$ms" -lt "$best_full" ] && best_full=$ms
    full_sent=$sent full_peak=$peak
  done
  printf '%s: changed items %7d ms, %10d bytes, peak %3d MiB; whole package %7d ms, %10d bytes, peak %3d MiB (%s x the time, %s x the bytes)\n' \
    "$1" "$best_changed" "$changed_sent" $((changed_peak / 1024)) "$best_full" "$full_sent" \
    $((full_peak / 1024)) "$(ratio "$best_changed" "$best_full")" "$(ratio "$changed_sent" "$full_sent")"
}

if [ -n "$HELD_LINK" ]; then  # inside the namespace: the trees are made already
  ip link set lo up
  tc qdisc add dev lo root tbf rate 20mbit burst 256kb limit 1mb
  unset DISPLAY
  wine_bench_start
  trap 'stop_stub; wine_bench_stop' EXIT
  measure "20 Mbit/s" 1
  exit 0
fi

WORK=$(mktemp -d)
cleanup() {
  set +e
  stop_stub
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1
  reg_quiet delete "$OVERRIDE_KEY" /f
  rm -rf "$INSTALLED" "$WORK"
  wine_bench_stop
}
trap cleanup EXIT
unset DISPLAY
wine_bench_start
make_trees
read -r items changed_bytes <<<"$(python3 - "$WORK/package.zip" <<'PY'
import sys, zipfile
infos = zipfile.ZipFile(sys.argv[1]).infolist()
print(sum(not i.is_dir() for i in infos),
      sum(i.compress_size for i in infos if i.filename.startswith('bin/lib')))
PY
)"
echo "package: $(stat -c %s "$WORK/package.zip") bytes, $items files; the update changes 3 of them, $changed_bytes bytes"
measure "loopback" 3
wine_bench_stop
# The namespace has its own loopback and display; the prefix and the files are shared.
unshare -n -- bash "${BASH_SOURCE[0]}" --held-link "$BUILD_DIR" "$WORK"
