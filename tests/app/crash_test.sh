#!/usr/bin/env bash
# A program that crashes while a test waits for its window fails that wait at once, as a crash,
# with winedbg's backtrace in the log, instead of at the wait's limit (Wine's crash dialog kept a
# dead Update.exe on screen until ctest's 600 s ran out). The program is null_call.exe, started
# and waited for with the end-to-end tests' own helpers.
# Usage: crash_test.sh NULL_CALL_EXE UI_INSPECT_EXE
set -euo pipefail
CRASHER=$(realpath "${1:?null_call.exe}")
BIN=$(dirname "$(realpath "${2:?ui-inspect.exe}")")
STUB=/dev/null
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/workflow-bench.sh"
wine_select_for "$CRASHER"
if [ -z "${DISPLAY:-}" ]; then wine_bench_start; bench_started=1; else wine_prefix_ensure; fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; [ -z "${bench_started:-}" ] || wine_bench_stop' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

UPDATER="Z:$CRASHER"
run_update
started=$SECONDS
status=0
wait_for 立即安装 120 >"$WORK/wait.out" || status=$?
took=$((SECONDS - started))
sed 's/^/   | /' "$WORK/wait.out"
[ "$status" != 0 ] && echo "ok: the wait failed" || fail "the wait succeeded"
[ "$took" -lt 30 ] && echo "ok: it failed after $took s" || fail "it failed only after $took s"
grep -q "^the program crashed" "$WORK/wait.out" && echo "ok: it says the program crashed" ||
  fail "it does not say the program crashed"
for line in "Unhandled page fault on execute access to 0" "Backtrace:" "null_call"; do
  grep -qF "$line" "$WORK/wait.out" && echo "ok: the log holds \"$line\"" ||
    fail "the log lacks \"$line\""
done
# winedbg may end a crashed program with status 0: the crash itself is what the test keeps.
wait_exit 5
[ "$exit_code" = crashed ] && echo "ok: the program's end is kept for the test as a crash" ||
  fail "the program's end was kept as \"$exit_code\""
# A crashing unit test fails under ctest's emulator, whatever status it ended with.
status=0
"$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-run" "$CRASHER" >"$WORK/run.out" 2>&1 || status=$?
[ "$status" != 0 ] && echo "ok: wine-run fails (status $status)" || fail "wine-run passed a crash"
[ "$failures" = 0 ] && echo "all cases passed" || { echo "$failures case(s) failed"; exit 1; }
