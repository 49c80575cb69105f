#!/usr/bin/env bash
# The main job, shown whole: vendor-stub serves a generated 50 MB package, the real Update.exe
# installs it from its install page (the install button pressed through ui-inspect, as a screen
# reader would), then updates the install with `Update.exe 3` from the install folder. Prints
# what a person would check: the time of each phase, the installed files, the uninstall entry
# and Run value as read back, the shortcut's target, the reports the stub received, the client
# starts, and the screenshots. The install is removed again at the end.
# Usage: demo.sh WINDOWS_BUILD_DIR
set -euo pipefail
BUILD_DIR=$(cd "${1:?windows build folder}" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN="$BUILD_DIR/bin"
STUB="$ROOT/build/native/bin/vendor-stub"
source "$ROOT/tools/workflow-bench.sh"
wine_select_for "$BIN/Update.exe"
SHOTS="$BUILD_DIR/demo"
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png
WORK=$(mktemp -d)
DRIVE_C="$WINEPREFIX/drive_c"
INSTALLED="$DRIVE_C/Program Files (x86)/ZorvikClient"
DESKTOP_LINK="$DRIVE_C/users/$(id -un)/Desktop/Zorvik加速器.lnk"
PACKAGE_BYTES=50000000

unset DISPLAY
wine_bench_start
cleanup() {
  set +e
  [ -z "${app_pid:-}" ] || kill "$app_pid" 2>/dev/null
  stop_stub
  w taskkill /F /IM ZorvikClient.exe >/dev/null 2>&1
  reg_quiet delete "$OVERRIDE_KEY" /f
  reg_quiet delete "$UNINSTALL_KEY" /f
  reg_quiet delete "$RUN_KEY" /v IZorvik /f
  rm -rf "$INSTALLED" "$DRIVE_C/zorvik-clients.log" "$DESKTOP_LINK" "$WORK"
  wine_bench_stop
}
trap cleanup EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }
phase() { printf '  %-44s %6d ms\n' "$1" $(($(now_ms) - $2)); }
shot() { import -window root "$SHOTS/$1.png"; }
# shot_under_way NAME: the screenshot NAME once the stub has sent 40 % of the package (as the
# stub counts it; the window is busy showing the progress and is not asked).
shot_under_way() {
  local sent deadline=$((SECONDS + 120)) wanted=$((PACKAGE_BYTES * 2 / 5))
  while [ $SECONDS -lt $deadline ] && kill -0 "$app_pid" 2>/dev/null; do
    sent=$(stub_count package_bytes_sent)
    if [ "${sent:-0}" -ge $((already_sent + wanted)) ]; then
      shot "$1"
      echo "  screenshot after $(( (sent - already_sent) / 1000000 )) MB of the package"
      return 0
    fi
  done
  echo "  (the download ended before a screenshot under way)"
}

echo "== vendor-stub with a generated package of $PACKAGE_BYTES bytes, at about 12 MB/s"
start_stub --package-bytes "$PACKAGE_BYTES" --package-add "ZorvikClient.exe=$BIN/fake-client.exe" \
  --package-add "Update.exe=$BIN/Update.exe" --drip-bytes 262144 --drip-interval-ms 20
# The package comes at the pace of a good home line, so that a person can watch it arrive.
use_service package-drip
echo "  listening on 127.0.0.1:$PORT"

echo "== install"
UPDATER="Z:$BIN/Update.exe"
t0=$(now_ms)
UPDATE_FAKE_CLIENT_LOG="$CLIENT_LOG" run_update
wait_window 立即安装 || { echo "Update.exe showed no install page"; exit 1; }
phase "start to install page" "$t0"
shot 1-install-page
inspect --do 开机自动启动 >/dev/null
t1=$(now_ms)
inspect --do 立即安装 >/dev/null
already_sent=0
shot_under_way 2-install-under-way
phase "install button to the download under way" "$t1"
wait_exit 300
phase "install button to the end (exit code $exit_code)" "$t1"
[ "$exit_code" = 1 ] || { echo "the install did not end as it should"; exit 1; }

echo "== update (Update.exe 3 from the install folder)"
UPDATER='C:\Program Files (x86)\ZorvikClient\Update.exe'
t2=$(now_ms)
already_sent=$(stub_count package_bytes_sent)
UPDATE_FAKE_CLIENT_LOG="$CLIENT_LOG" run_update 3
shot_under_way 3-update-under-way
phase "start to the download under way" "$t2"
wait_exit 300
phase "start to the end (exit code $exit_code)" "$t2"

echo "== what a person would check"
echo "  installed files: $(find "$INSTALLED" -type f | wc -l), $(du -sh "$INSTALLED" | cut -f1)"
(cd "$INSTALLED" && find . -maxdepth 2 | sort | sed -n '2,14p' | sed 's/^/    /')
echo "  uninstall entry:"
for value in DisplayIcon UninstallString DisplayName DisplayVersion Publisher EstimatedSize; do
  printf '    %-16s %s\n' "$value" "$(reg_value "$UNINSTALL_KEY" "$value")"
done
echo "  Run value IZorvik: $(reg_value "$RUN_KEY" IZorvik)"
link_target=$(strings -el "$DESKTOP_LINK" 2>/dev/null | grep -m1 'ZorvikClient.exe' || true)
echo "  desktop shortcut: ${DESKTOP_LINK##*/} -> ${link_target:-(none)}"
echo "  reports received by the stub:"
sed 's/^/    /' "$WORK/reports.jsonl"
echo "  client starts:"
cut -f2 "$DRIVE_C/zorvik-clients.log" | sed 's/^/    /'
echo "  the updater moved aside: $(ls "$INSTALLED" | grep -c '^Update.exe_old$') Update.exe_old"
shot 4-done
echo "  screenshots:"
ls "$SHOTS"/*.png | sed 's/^/    /'
