#!/usr/bin/env bash
# The import check finds each way an import can be left without a target: copies of a built
# program with one fault each, made in the file as a linker or a packer could leave it, must each
# fail with the function or the place named; the program itself must pass. Reads files only, so
# it runs on every machine, whichever build the Windows tests run on.
# Usage: import_check_test.sh IMPORT_CHECK PROGRAM
set -euo pipefail
CHECK=${1:?import-check}
PROGRAM=${2:?program}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$CHECK" "$PROGRAM" || fail "the program itself does not pass"
"$CHECK" --list "$PROGRAM" >"$WORK/slots"
pointer=4
file -b "$PROGRAM" | grep -q '^PE32+' && pointer=8

# put FILE OFFSET VALUE: writes VALUE (little-endian, pointer-sized) at OFFSET.
put() {
  local bytes="" i value=$3
  for ((i = 0; i < pointer; i++)); do
    bytes+=$(printf '\\x%02x' $(((value >> (8 * i)) & 0xff)))
  done
  printf '%b' "$bytes" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
# slot KIND N: the Nth slot line of that kind (static or delay), 1-based.
slot() { awk -v kind="$1" -v n="$2" '$1 == kind && ++seen == n {print; exit}' "$WORK/slots"; }

read -r _ d_dll d_function _ d_offset _ _ <<<"$(slot delay 1)"
read -r _ _ _ _ _ _ other_value <<<"$(slot delay 2)"
read -r _ s_dll s_function _ s_offset _ _ <<<"$(slot static 1)"
first_kernel32=$(awk '$1 == "static" && tolower($2) == "kernel32.dll" {print; exit}' "$WORK/slots")
read -r _ _ _ _ _ k_name_offset _ <<<"$first_kernel32"
[ -n "$d_offset" ] && [ -n "$s_offset" ] && [ -n "$k_name_offset" ] ||
  { echo "FAIL: the program has no delay-loaded, static or kernel32 import to spoil"; exit 1; }

# Each row: what is spoiled | how | what the check must say.
rows=(
  "a delay-load slot without its thunk|put $d_offset 0|$d_dll!$d_function: its delay-load slot holds 0 (no load thunk)"
  "a delay-load slot holding another slot's thunk|put $d_offset $other_value|$d_dll!$d_function: its delay-load slot holds $other_value, which is not the load thunk of that slot"
  "a delay-load slot holding no address of the program|put $d_offset 1|$d_dll!$d_function: its delay-load slot holds 0x1, which is not code of the program"
  "a static slot that holds 0|put $s_offset 0|$s_dll!$s_function: its import slot holds 0"
  "kernel32's name table ended before its first name|put $k_name_offset 0|in the import tables, which is no import slot"
  "the file cut short before the import slots|truncate|runs out of the image"
)
for row in "${rows[@]}"; do
  IFS='|' read -r what how expected <<<"$row"
  cp "$PROGRAM" "$WORK/spoiled.exe"
  if [ "$how" = truncate ]; then
    truncate -s "$s_offset" "$WORK/spoiled.exe"
  else
    # shellcheck disable=SC2086
    ${how/put /put $WORK/spoiled.exe }
  fi
  status=0
  "$CHECK" "$WORK/spoiled.exe" >"$WORK/out" 2>&1 || status=$?
  if [ "$status" = 1 ] && grep -qF -- "$expected" "$WORK/out"; then
    echo "ok: $what: $(grep -m1 -F -- "$expected" "$WORK/out")"
  else
    fail "$what: exit $status, expected a line with '$expected'; it said:"
    sed -n '1,5s/^/   /p' "$WORK/out"
  fi
done

printf 'not a program\n' >"$WORK/text.exe"
status=0
"$CHECK" "$WORK/text.exe" >"$WORK/out" 2>&1 || status=$?
if [ "$status" = 1 ] && grep -q "not a Windows program" "$WORK/out"; then echo "ok: a text file is refused"
else fail "a text file: exit $status: $(cat "$WORK/out")"; fi

[ "$failures" = 0 ] && echo "all cases passed" || { echo "$failures case(s) failed"; exit 1; }
