#!/usr/bin/env bash
# The install benchmark, all in one run on one machine under the same Wine (not a test):
#  (a) Update.exe's download step against a bare libcurl download of the same package
#      (download_loop.exe, same toolchain), both timed by the stub from the package request to
#      its last byte;
#  (b) a whole install (install button to exit) against the bare download plus an unpack alone
#      (unpack.exe, the same zip reader);
#  (c) Update.exe's peak memory with a 20 MB and a 200 MB package;
#  (d) a 200 MB update: the unpack step alone, staged and swapped in (the installer's own,
#      through unpack.exe --staged) against a direct unpack over the installed files, the whole
#      update (Update.exe 3 in the install folder, start to exit) against the same with the
#      direct unpack's time in place of the staged one, and the peak disk space the update took
#      beyond the installed files;
#  (e) a 200 MB install whose download the stub resets at half, against the unbroken one of (b).
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
INSTALLED="$DRIVE_C/Program Files (x86)/ZorvikClient"
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
ratio() { awk "BEGIN{printf \"%.2f\", $1/$2}"; }
mkdir -p "$DRIVE_C/zorvik-bench"

# bare_download URL: the best of three bare downloads into C:\zorvik-bench\loop.zip, to $bare.
bare_download() {
  bare=
  for _ in 1 2 3; do
    w "$BIN/download_loop.exe" "$1" 'C:\zorvik-bench\loop.zip' >/dev/null
    ms=$(stub_count last_package_ms)
    if [ -z "$bare" ] || [ "$ms" -lt "$bare" ]; then bare=$ms; fi
  done
}
# timed_unpack ARGUMENT...: unpack.exe's time in ms, to $unpack_ms; what earlier steps wrote is
# on the disk first, so that their write-back does not slow this one.
timed_unpack() {
  local t
  sync
  t=$(now_ms)
  w "$BIN/unpack.exe" "$@" >/dev/null 2>&1
  unpack_ms=$(($(now_ms) - t))
}

for mb in 20 200; do
  bytes=$((mb * 1000000))
  start_stub --package-bytes "$bytes" --package-add "ZorvikClient.exe=$BIN/fake-client.exe"
  use_service
  url="http://127.0.0.1:$PORT/package/full"

  # The yardsticks: the best of three bare downloads, then one unpack of what came.
  bare_download "$url"
  timed_unpack 'C:\zorvik-bench\loop.zip' 'C:\zorvik-bench\unpacked'
  unpack=$unpack_ms
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
    "$mb" "$best_download" "$bare" "$(ratio "$best_download" "$bare")" \
    "$best_install" $((bare + unpack)) "$(ratio "$best_install" $((bare + unpack)))" \
    $((peak / 1024))
  whole_install=$best_install
done

# (d) The 200 MB update, over an install of the same package (no updater in it, so Update.exe
# stays where it is from round to round).
start_stub --package-bytes 200000000 --package-add "ZorvikClient.exe=$BIN/fake-client.exe"
use_service
w "$BIN/download_loop.exe" "http://127.0.0.1:$PORT/package/full" 'C:\zorvik-bench\loop.zip' >/dev/null
package_bytes=$(stat -c %s "$DRIVE_C/zorvik-bench/loop.zip")
rm -rf "$INSTALLED"
w "$BIN/unpack.exe" 'C:\zorvik-bench\loop.zip' 'C:\Program Files (x86)\ZorvikClient' >/dev/null 2>&1
cp "$BIN/Update.exe" "$INSTALLED/"
installed_bytes=$(du -sb "$INSTALLED" | cut -f1)
items_bytes=$(unzip -l "$DRIVE_C/zorvik-bench/loop.zip" | tail -1 | awk '{print $1}')
# Five rounds, the best of each: this disk's write times vary by half from one run to the next.
best_direct= best_staged= best_update= peak_disk=0
for _ in 1 2 3 4 5; do
  timed_unpack 'C:\zorvik-bench\loop.zip' 'C:\Program Files (x86)\ZorvikClient'
  [ -z "$best_direct" ] || [ "$unpack_ms" -lt "$best_direct" ] && best_direct=$unpack_ms
  cp "$DRIVE_C/zorvik-bench/loop.zip" "$INSTALLED/up.zip"
  timed_unpack --staged 'C:\Program Files (x86)\ZorvikClient'
  [ -z "$best_staged" ] || [ "$unpack_ms" -lt "$best_staged" ] && best_staged=$unpack_ms
  [ ! -e "$INSTALLED/Update.staging" ] && [ ! -e "$INSTALLED/up.zip" ] || { echo "staged unpack failed"; exit 1; }

  UPDATER='C:\Program Files (x86)\ZorvikClient\Update.exe'
  sync
  t=$(now_ms)
  run_update 3
  # up.zip, the staging folder and the backups all lie in the install folder.
  while kill -0 "$app_pid" 2>/dev/null; do
    used=$(du -sb "$INSTALLED" 2>/dev/null | cut -f1) || true  # a file may go while it counts
    [ -n "$used" ] && [ $((used - installed_bytes)) -gt "$peak_disk" ] && peak_disk=$((used - installed_bytes))
    sleep 0.05
  done
  update_ms=$(($(now_ms) - t))
  wait_exit 10
  [ "$exit_code" = 1 ] && [ ! -e "$INSTALLED/Update.journal" ] || { echo "the update failed"; exit 1; }
  [ -z "$best_update" ] || [ "$update_ms" -lt "$best_update" ] && best_update=$update_ms
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1 || true
done
stop_stub
mib() { echo $(($1 / 1048576)); }
direct_update=$((best_update - best_staged + best_direct))
printf ' 200 MB update: unpack step staged %6d ms vs direct %6d ms (%s x); whole update %6d ms vs %6d ms with the direct unpack (%s x)\n' \
  "$best_staged" "$best_direct" "$(ratio "$best_staged" "$best_direct")" \
  "$best_update" "$direct_update" "$(ratio "$best_update" "$direct_update")"
printf ' 200 MB update: peak disk beyond the install %d MiB (package %d MiB + items %d MiB; the free-space check asks for items + 16 MiB)\n' \
  "$(mib "$peak_disk")" "$(mib "$package_bytes")" "$(mib "$items_bytes")"

# (e) The download broken at half and resumed, best of two; each reset fires once a stub run.
best_resumed=
for _ in 1 2; do
  start_stub --package-bytes 200000000 --package-add "ZorvikClient.exe=$BIN/fake-client.exe" \
    --reset-at 50%
  use_service
  rm -rf "$INSTALLED"
  UPDATER="Z:$BIN/Update.exe"
  run_update
  wait_window 立即安装 || { echo "no install page"; exit 1; }
  sync
  t=$(now_ms)
  inspect --do 立即安装 >/dev/null
  wait_exit 120
  resumed=$(($(now_ms) - t))
  [ "$exit_code" = 1 ] && [ "$(stub_count range_requests)" = 1 ] || { echo "no resumed install"; exit 1; }
  [ -z "$best_resumed" ] || [ "$resumed" -lt "$best_resumed" ] && best_resumed=$resumed
  sent=$(stub_count package_bytes_sent)
  size=$(curl -s -o /dev/null -w '%{size_download}' "http://127.0.0.1:$PORT/package/full")
  stop_stub
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1 || true
done
printf ' 200 MB resumed at half: install %6d ms vs %6d ms unbroken (+%d ms, of which 1000 ms back-off); %d bytes sent for a package of %d\n' \
  "$best_resumed" "$whole_install" $((best_resumed - whole_install)) "$sent" "$size"
