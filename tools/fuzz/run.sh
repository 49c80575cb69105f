#!/usr/bin/env bash
# Builds the zip reader's libFuzzer target with clang (in BUILD_ROOT/fuzz, apart from the main
# builds) and runs it for a bounded time over a seed corpus made here with Debian's zip.
# Exits non-zero on any crash, hang or sanitizer report.
#   tools/fuzz/run.sh [BUILD_ROOT]     (ZIP_FUZZ_SECONDS overrides the 30 s run)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_ROOT=${1:-$ROOT/build}
OUT="$BUILD_ROOT/fuzz"
RUN_SECONDS=${ZIP_FUZZ_SECONDS:-30}
mkdir -p "$OUT"

echo "== fuzz: building zip_fuzz with clang"
if ! { cmake -S "$ROOT/tools/fuzz" -B "$OUT" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         && cmake --build "$OUT" -j2; } >"$OUT/build.log" 2>&1; then
  echo "FAILED: fuzz build (log: $OUT/build.log)" >&2
  tail -n 30 "$OUT/build.log" >&2
  exit 1
fi

# Seeds: small archives of every kind the reader handles. The corpus folder keeps what the
# fuzzer finds between runs.
CORPUS="$OUT/corpus"
SEEDS="$OUT/seeds"
rm -rf "$SEEDS"
mkdir -p "$CORPUS" "$SEEDS/files/sub"
(
  cd "$SEEDS/files"
  printf 'hello hello hello hello\n' >a.txt
  printf '' >empty
  head -c 3000 /dev/urandom >sub/noise.bin
  zip -q -r ../deflated.zip .
  zip -q -r -0 ../stored.zip .
  zip -q -r -P pw ../encrypted.zip .
  echo "a comment" | zip -q -z ../commented.zip a.txt
  printf 'streamed\n' | zip -q ../streamed.zip -   # sizes in a data descriptor
)
cp "$SEEDS"/*.zip "$CORPUS"/

echo "== fuzz: running zip_fuzz for ${RUN_SECONDS}s"
mkdir -p "$OUT/artifacts"
if ! "$OUT/zip_fuzz" -max_total_time="$RUN_SECONDS" -timeout=20 -rss_limit_mb=2048 \
      -max_len=65536 -artifact_prefix="$OUT/artifacts/" -print_final_stats=1 \
      "$CORPUS" >"$OUT/run.log" 2>&1; then
  echo "FAILED: zip_fuzz found a fault (log: $OUT/run.log, inputs: $OUT/artifacts)" >&2
  grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$OUT/run.log" | head -n 20 >&2
  exit 1
fi
grep -E '^stat::number_of_executed_units|^Done' "$OUT/run.log" || true
echo "== fuzz: clean"
