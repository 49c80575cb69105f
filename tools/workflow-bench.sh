# The pieces that drive a whole install or update under the Wine bench, for the end-to-end
# tests and the demo: vendor-stub, the override values that point the program at it, starting
# Update.exe and reading the window through ui-inspect, and reading back the registry.
# Sourced; expects BIN (the Windows build's bin folder), STUB (the native vendor-stub) and WORK
# (a private temporary folder) and DRIVE_C (the prefix's drive C:), once wine_select has run.
source "$(dirname "${BASH_SOURCE[0]}")/../cmake/wine-env.sh"

OVERRIDE_KEY='HKLM\SOFTWARE\IZorvik\Update'
CONNECTIONS_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections'
UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\ZorvikClient'
RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
CLIENT_LOG='C:\zorvik-clients.log'

w() { "$WINELOADER" "$@"; }
unix_path() { w winepath -u "$1" 2>/dev/null | tr -d '\r'; }
inspect() { w "$BIN/ui-inspect.exe" "$@" 2>/dev/null | tr -d '\r'; }
# reg_view KEY: the registry view in which the program keeps KEY, as a switch of reg.exe. The
# administrator's overrides are read from the 64-bit view; the uninstall entry and the Run value
# are the 32-bit program's, in the 32-bit view (WOW6432Node), whichever build runs. The user's
# keys have one view.
reg_view() {
  case "$1" in
    'HKLM\SOFTWARE\IZorvik\'*) echo /reg:64 ;;
    'HKLM\SOFTWARE\'*) echo /reg:32 ;;
  esac
}
# reg_quiet COMMAND KEY ARG...: reg.exe in the key's view, its output and failure ignored.
reg_quiet() { w reg "$@" $(reg_view "$2") >/dev/null 2>&1 || true; }
# reg_value KEY NAME: the value's data as `reg export` writes it (UTF-8), or nothing.
reg_value() {
  local file="$WORK/export.reg"
  rm -f "$file"
  w reg export "$1" "$(w winepath -w "$file" | tr -d '\r')" /y $(reg_view "$1") >/dev/null 2>&1 ||
    return 0
  iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed -n "s/^\"$2\"=//p"
}

stub_pid=
start_stub() {
  rm -f "$WORK/port" "$WORK/reports.jsonl"
  setsid "$STUB" --port 0 --port-file "$WORK/port" --report-file "$WORK/reports.jsonl" \
    --idle-seconds 600 "$@" </dev/null >"$WORK/stub.log" 2>&1 &
  stub_pid=$!
  local deadline=$((SECONDS + 20))
  until [ -s "$WORK/port" ]; do
    [ $SECONDS -lt $deadline ] && kill -0 "$stub_pid" 2>/dev/null || { cat "$WORK/stub.log"; exit 1; }
  done
  PORT=$(cat "$WORK/port")
}
# stub_count NAME: a number of the stub's counters (GET /stats), such as package_bytes_sent.
stub_count() { curl -s "http://127.0.0.1:$PORT/stats" | grep -o "\"$1\":[0-9]*" | cut -d: -f2; }
stop_stub() { [ -z "$stub_pid" ] || kill "$stub_pid" 2>/dev/null || true; stub_pid=; }

# start_tls_stub NAME: an HTTPS stub with the certificate NAME of make-test-certs.sh, serving the
# package; its port goes to TLS_PORT[NAME].
declare -A TLS_PORT TLS_PID
start_tls_stub() {
  local port_file="$WORK/port-$1"
  setsid "$STUB" --port 0 --port-file "$port_file" --idle-seconds 600 --package "$WORK/package.zip" \
    --tls-cert "$WORK/certs/$1.pem" --tls-key "$WORK/certs/$1.key" </dev/null \
    >"$WORK/stub-$1.log" 2>&1 &
  TLS_PID[$1]=$!
  local deadline=$((SECONDS + 20))
  until [ -s "$port_file" ]; do
    [ $SECONDS -lt $deadline ] && kill -0 "${TLS_PID[$1]}" 2>/dev/null || { cat "$WORK/stub-$1.log"; exit 1; }
  done
  TLS_PORT[$1]=$(cat "$port_file")
}

# use_service [SCENARIO]: points the program at the stub (a scenario by path), or at a closed
# port with "down".
use_service() {
  local base="http://127.0.0.1:$PORT"
  [ -z "${1:-}" ] || base="$base/scenario/$1"
  [ "${1:-}" != down ] || base="http://127.0.0.1:9"
  reg_set "$OVERRIDE_KEY" ApiBaseUrl "$base"
  reg_set "$OVERRIDE_KEY" LogUrl "127.0.0.1:$PORT/log"
}
# reg_set KEY NAME DATA: writes a string value; a write that fails says so and fails, since the
# program would read the value left from before.
reg_set() {
  local out status=0
  out=$(w reg add "$1" /v "$2" /t REG_SZ /d "$3" /f $(reg_view "$1") 2>&1) || status=$?
  [ "$status" = 0 ] || { echo "reg add $1 /v $2 failed with status $status: $out" >&2; return 1; }
}

app_pid=
# run_update [ARG...]: starts Update.exe from its folder of the moment ($UPDATER) and waits for
# its window.
run_update() {
  local folder
  folder=$(dirname "$(unix_path "$UPDATER")")
  UPDATE_CRASH_LOG_START=$(wine_crash_log_size) UPDATE_PROGRAM_STATUS=
  (cd "$folder" && exec "$WINELOADER" "$UPDATER" "$@" >"$WORK/update.out" 2>"$WORK/update.err") &
  app_pid=$!
}
# wait_for NAME [LIMIT]: waits up to LIMIT seconds (60) for an element NAME in Update.exe's
# window; false when none comes, and at once when Update.exe ends first (saying whether it
# crashed, with winedbg's backtrace).
wait_for() {
  wine_wait_for_state "$app_pid" "$WORK/update.err" inspect_quietly --wait "$1" --timeout "${2:-60}"
}
inspect_quietly() { inspect "$@" >/dev/null; }
wait_window() { wait_for "$1" 60; }
# wait_exit LIMIT: waits LIMIT seconds for Update.exe to end; its exit code goes to $exit_code.
# A program that is still there then is a hang: its threads' backtraces go to the log before it is
# ended.
wait_exit() {
  if ! wine_wait_exit "$app_pid" "$WORK/update.err" "$1"; then
    echo "Update.exe still runs after $1 s; its threads:"
    wine_backtrace "$(basename "${UPDATER//\\//}")" | sed 's/^/   /'
    echo "   (ended)"
    kill "$app_pid" 2>/dev/null
    UPDATE_PROGRAM_STATUS=0
    wait "$app_pid" || UPDATE_PROGRAM_STATUS=$?
  fi
  exit_code=$UPDATE_PROGRAM_STATUS
}
reports() { [ -f "$WORK/reports.jsonl" ] && wc -l <"$WORK/reports.jsonl" || echo 0; }
client_starts() { grep -c "ZorvikClient\\\\ZorvikClient.exe" "$DRIVE_C/zorvik-clients.log" 2>/dev/null || echo 0; }

