#!/usr/bin/env bash
# The zip reader's benchmark (not part of ./dev test): builds an optimised unpack, makes a mixed
# 200 MB archive (and a 20 MB one for memory), then extracts it with unpack, Info-ZIP unzip and
# bsdtar in the same run. Prints MB/s (uncompressed bytes written per second of wall time, best
# of RUNS interleaved rounds, to disk and to tmpfs), CPU time, peak RSS, the ratios, and the
# pure single-thread inflate rate of the same data. Archives and content stay in BUILD_ROOT.
#   bench/zip_bench.sh [BUILD_ROOT]      (RUNS=5 by default)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${1:-$ROOT/build}
OUT="$BUILD_ROOT/bench"
mkdir -p "$OUT"

say() { printf '== %s\n' "$*"; }

say "building unpack and inflate_rate (Release)"
cmake -S "$ROOT/bench" -B "$OUT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$OUT/build.log" 2>&1
cmake --build "$OUT/build" -j2 >>"$OUT/build.log" 2>&1
UNPACK="$OUT/build/unpack"
INFLATE="$OUT/build/inflate_rate"

# make_archive NAME SCALE: content and archive, made once and kept under BUILD_ROOT/bench.
make_archive() {
  local name=$1 scale=$2
  if [ ! -f "$OUT/$name.zip" ]; then
    say "making $name.zip (scale $scale)"
    rm -rf "$OUT/$name-content"
    python3 "$ROOT/bench/make_content.py" "$OUT/$name-content" "$scale"
    (cd "$OUT/$name-content" && zip -q -r "$OUT/$name.zip.part" .)
    mv "$OUT/$name.zip.part" "$OUT/$name.zip"
  fi
}

# extract_once TOOL ARCHIVE DEST: one timed extraction; prints "wall cpu peak_rss_kib".
extract_once() {
  local tool=$1 archive=$2 dest=$3
  rm -rf "$dest" && mkdir -p "$dest" && sync
  case "$tool" in
    unpack) /usr/bin/time -f '%e %U %S %M' -o "$OUT/time" "$UNPACK" "$archive" "$dest" >/dev/null ;;
    unzip) /usr/bin/time -f '%e %U %S %M' -o "$OUT/time" unzip -q -o "$archive" -d "$dest" ;;
    bsdtar) /usr/bin/time -f '%e %U %S %M' -o "$OUT/time" bsdtar -xf "$archive" -C "$dest" ;;
  esac
  sync
  rm -rf "$dest"
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$OUT/time"
}

# compare ARCHIVE DEST LABEL: RUNS interleaved rounds of the three tools (so that load from
# elsewhere on the machine falls on all of them alike); the best wall time of each counts.
compare() {
  local archive=$1 dest=$2 label=$3 round tool
  : >"$OUT/runs"
  for ((round = 0; round < RUNS; round++)); do
    for tool in unpack unzip bsdtar; do
      echo "$tool $(extract_once "$tool" "$archive" "$dest")" >>"$OUT/runs"
    done
  done
  awk -v bytes="$BYTES" -v label="$label" '
    { if (!($1 in wall) || $2 < wall[$1]) { wall[$1] = $2; cpu[$1] = $3 }
      if ($4 > rss[$1]) rss[$1] = $4 }
    END {
      mb = bytes / 1e6
      printf "-- extracting to %s (best of rounds)\n", label
      printf "%-22s %8s %10s %9s %12s\n", "", "wall s", "MB/s", "cpu s", "peak RSS MB"
      n["unpack"] = "unpack (this reader)"; n["unzip"] = "unzip (Info-ZIP)"
      n["bsdtar"] = "bsdtar (libarchive)"
      split("unpack unzip bsdtar", order, " ")
      for (i = 1; i <= 3; i++) { t = order[i]
        printf "%-22s %8.2f %10.1f %9.2f %12.1f\n", n[t], wall[t], mb / wall[t], cpu[t], rss[t] / 1024 }
      printf "unpack / bsdtar throughput: %.2fx   unpack / unzip: %.2fx   bsdtar / unzip: %.2fx\n",
        wall["bsdtar"] / wall["unpack"], wall["unzip"] / wall["unpack"], wall["unzip"] / wall["bsdtar"]
      printf "unpack / bsdtar cpu time:   %.2fx\n", cpu["unpack"] / cpu["bsdtar"]
      print wall["unpack"] > "'"$OUT"'/unpack-best"
    }' "$OUT/runs"
}

make_archive mixed-200 1.0
make_archive mixed-20 0.1

BYTES=$(unzip -l "$OUT/mixed-200.zip" | tail -n 1 | awk '{ print $1 }')
say "archive: $(du -m "$OUT/mixed-200.zip" | cut -f1) MB, $(unzip -l "$OUT/mixed-200.zip" | tail -n 1 | awk '{ print $2 }') items, $((BYTES / 1000000)) MB unpacked"

RUNS=${RUNS:-5}
compare "$OUT/mixed-200.zip" "$OUT/dest" "disk (${OUT}/dest)"
disk_best=$(cat "$OUT/unpack-best")
tmpfs_best=$disk_best
if [ -d /dev/shm ]; then
  compare "$OUT/mixed-200.zip" /dev/shm/zip-bench-dest "tmpfs (/dev/shm), no disk writeback"
  tmpfs_best=$(cat "$OUT/unpack-best")
fi

inflate_best=""
for ((run = 0; run < RUNS; run++)); do
  read -r inflated seconds < <("$INFLATE" "$OUT/mixed-200.zip")
  if [ -z "$inflate_best" ] || awk -v a="$seconds" -v b="$inflate_best" 'BEGIN { exit !(a < b) }'; then
    inflate_best=$seconds
  fi
done
read -r _ _ small_rss < <(extract_once unpack "$OUT/mixed-20.zip" "$OUT/dest")
read -r _ _ large_rss < <(extract_once unpack "$OUT/mixed-200.zip" "$OUT/dest")
awk -v inflated="$inflated" -v is="$inflate_best" -v us="$disk_best" -v ts="$tmpfs_best" \
    -v sr="$small_rss" -v lr="$large_rss" 'BEGIN {
  printf "-- limits\n"
  printf "pure single-thread inflate: %.2f s, %.1f MB/s\n", is, inflated / 1e6 / is
  printf "unpack takes %.2fx that to disk, %.2fx to tmpfs\n", us / is, ts / is
  printf "unpack peak RSS: 20 MB archive %.1f MB, 200 MB archive %.1f MB\n", sr / 1024, lr / 1024
}'
