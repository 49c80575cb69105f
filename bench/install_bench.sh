#!/usr/bin/env bash
# The install benchmark, all in one run on one machine under the same Wine (not a test):
#  (a) Update.exe's download step against a bare libcurl download of the same package
#      (download_loop.exe, same toolchain), both timed by the stub from the package request to
#      its last byte;
#  (b) a whole install (install button to exit) against the bare download plus an unpack alone
#      (unpack.exe, the same zip reader);
#  (c) Update.exe's peak memory with a 20 MB and a 200 MB package.
# Usage: bench/install_bench.sh [WINDOWS_BUILD_DIR]   (default: the build ./dev tests with)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/workflow-bench.sh"
BUILD_DIR=${1:-}
if [ -z "$BUILD_DIR" ]; then
  if wine_can_run_32bit; then BUILD_DIR="$ROOT/build/win32"; else BUILD_DIR="$ROOT/build/win64"; fi
fi
BIN="$BUILD_DIR/bin"
STUB="$ROOT/build/native/bin/vendor-stub"
wine_select_for "$BIN/Update.exe"
WORK=$(mktemp -d)
DRIVE_C="$WINEPREFIX/drive_c"
INSTALLED="$DRIVE_C/Program Files/ZorvikClient"
unset DISPLAY
wine_bench_start
cleanup() {
  set +e
  stop_stub
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1
  reg_quiet delete "$OVERRIDE_KEY" /f
  reg_quiet delete "$UNINSTALL_KEY" /f
  rm -rf "$INSTALLED" "$DRIVE_C/zorvik-bench" "$DRIVE_C/users/$(id -un)/Desktop/Zorvik加速器.lnk" "$WORK"
  wine_bench_stop
}
trap cleanup EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }
mkdir -p "$DRIVE_C/zorvik-bench"

for mb in 20 200; do
  bytes=$((mb * 1000000))
  start_stub --package-bytes "$bytes" --package-add "ZorvikClient.exe=$BIN/fake-client.exe"
  use_service
  url="http://127.0.0.1:$PORT/package/full"

  # The yardsticks: the best of three bare downloads, then one unpack of what came.
  bare=
  for _ in 1 2 3; do
    w "$BIN/download_loop.exe" "$url" 'C:\zorvik-bench\loop.zip' >/dev/null
    ms=$(stub_count last_package_ms)
    [ -z "$bare" ] || [ "$ms" -lt "$bare" ] && bare=$ms
  done
  t=$(now_ms)
  w "$BIN/unpack.exe" 'C:\zorvik-bench\loop.zip' 'C:\zorvik-bench\unpacked' >/dev/null 2>&1
  unpack=$(($(now_ms) - t))
  rm -rf "$DRIVE_C/zorvik-bench/unpacked"

  # Update.exe, three installs; its peak memory is the largest VmHWM seen before it ends.
  best_download= best_install= peak=0
  for _ in 1 2 3; do
    rm -rf "$INSTALLED"
    UPDATER="Z:$BIN/Update.exe"
    run_update
    wait_window 立即安装 || { echo "no install page"; exit 1; }
    # run_update's shell becomes the wine loader, which becomes Update.exe: one Linux process.
    app=$app_pid
    t=$(now_ms)
    inspect --do 立即安装 >/dev/null
    while kill -0 "$app_pid" 2>/dev/null; do
      hwm=$(sed -n 's/^VmHWM:[^0-9]*\([0-9]*\).*/\1/p' "/proc/$app/status" 2>/dev/null || true)
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
      sleep 0.05
    done
    install=$(($(now_ms) - t))
    wait_exit 10
    download=$(stub_count last_package_ms)
    [ -z "$best_download" ] || [ "$download" -lt "$best_download" ] && best_download=$download
    [ -z "$best_install" ] || [ "$install" -lt "$best_install" ] && best_install=$install
    w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1 || true
  done
  stop_stub
  printf '%4d MB: download %6d ms vs bare %6d ms (%s x); install %6d ms vs download+unpack %6d ms (%s x); peak memory %d MiB\n' \
    "$mb" "$best_download" "$bare" "$(awk "BEGIN{printf \"%.2f\", $best_download/$bare}")" \
    "$best_install" $((bare + unpack)) "$(awk "BEGIN{printf \"%.2f\", $best_install/($bare+$unpack)}")" \
    $((peak / 1024))
done
