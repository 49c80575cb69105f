#!/bin/sh
# Starts and stops the vendor-stub that the net tests talk to (a ctest fixture).
#   vendor_stub_fixture.sh start STUB DIR   start STUB in the background; DIR receives its
#                                           port ("port"), the reports it receives
#                                           ("reports.jsonl"), its pid and its output
#   vendor_stub_fixture.sh stop DIR         end the stub started for DIR
set -eu

stop_stub() {
  dir=$1
  [ -f "$dir/pid" ] || return 0
  pid=$(cat "$dir/pid")
  rm -f "$dir/pid"
  kill -TERM "$pid" 2>/dev/null || return 0
  # The stub ends promptly on SIGTERM; give it 10 s.
  i=0
  while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    if [ "$i" -gt 200 ]; then
      echo "vendor-stub $pid did not end on SIGTERM" >&2
      kill -KILL "$pid" 2>/dev/null || true
      return 1
    fi
    sleep 0.05
  done
}

case "${1:-}" in
start)
  stub=$2 dir=$3
  if [ ! -x "$stub" ]; then
    echo "vendor-stub not found at $stub: build the native preset first" >&2
    exit 1
  fi
  mkdir -p "$dir"
  stop_stub "$dir"  # one left behind by an interrupted run
  rm -f "$dir/port" "$dir/reports.jsonl"
  # Its own session and no inherited output pipes, so ctest does not wait for it.
  setsid "$stub" --port 0 --port-file "$dir/port" --report-file "$dir/reports.jsonl" \
    --idle-seconds 1800 </dev/null >"$dir/stdout.log" 2>"$dir/stderr.log" &
  echo $! >"$dir/pid"
  i=0
  until [ -s "$dir/port" ]; do
    i=$((i + 1))
    if [ "$i" -gt 200 ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
      echo "vendor-stub did not start:" >&2
      cat "$dir/stderr.log" >&2
      exit 1
    fi
    sleep 0.05
  done
  echo "vendor-stub listening on 127.0.0.1:$(cat "$dir/port") (pid $(cat "$dir/pid"))"
  ;;
stop)
  stop_stub "$2"
  ;;
*)
  echo "usage: $0 start STUB DIR | stop DIR" >&2
  exit 2
  ;;
esac
