#!/usr/bin/env bash
# A build to ship refuses to configure without the vendor's key, and says what it needs. The
# check comes right after project(), so this takes a second.
# Usage: release_configure_test.sh SOURCE_DIR
set -uo pipefail
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
if cmake -S "${1:?source folder}" -B "$folder/build" -DUPDATE_RELEASE=ON >"$folder/log" 2>&1; then
  echo "FAIL: a release build without the key configured"; exit 1
fi
grep -q "A release build needs the vendor's key" "$folder/log" || { echo "FAIL: another error:"; cat "$folder/log"; exit 1; }
echo "ok: refused without the key"
