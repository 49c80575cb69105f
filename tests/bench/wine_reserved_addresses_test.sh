#!/usr/bin/env bash
# The bench's Wine reserves the addresses a Windows program needs before anything else of the
# process is mapped. A page already lying at the shared user data address (as the loader's
# randomised heap now and then does) must not keep a program from starting: without the
# preloader, about one start in a few thousand ended so, with status 1 and no output.
# Usage: wine_reserved_addresses_test.sh PROGRAM [ARG...]  (a program that ends at once)
set -euo pipefail
PROGRAM=$(realpath "${1:?program}")
shift
HERE=$(dirname "${BASH_SOURCE[0]}")
source "$HERE/../../cmake/wine-env.sh"
wine_select_for "$PROGRAM"
wine_prefix_ensure
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cc -shared -fPIC -O2 -o "$WORK/taken.so" "$HERE/shared_user_data_taken.c"
status=0
UPDATE_TAKEN_LOG="$WORK/taken.log" LD_PRELOAD="$WORK/taken.so" WINEDEBUG=err+all \
  "$WINELOADER" "$PROGRAM" "$@" >"$WORK/out" 2>&1 || status=$?
failures=0
fail() { echo "FAIL: $*"; sed 's/^/  /' "$WORK/out"; failures=$((failures + 1)); }
# The stand-in ran in the loader (one line per process image it was loaded into).
[ -s "$WORK/taken.log" ] || fail "the stand-in library never ran"
[ "$status" = 0 ] || fail "the program ended with status $status"
if grep -q "shared user data" "$WORK/out"; then fail "Wine could not map the shared user data"; fi
echo "the stand-in found the address: $(sort "$WORK/taken.log" | uniq -c | tr '\n' ' ')"
[ "$failures" = 0 ] && echo "ok: the program started with the address taken as early as can be"
exit "$failures"
