#!/usr/bin/env bash
# The package step of ./dev setup against stand-ins for apt-get, dpkg and dpkg-query on PATH:
# a mirror in mid-sync, held broken packages, other install failures, machines with and without
# 32-bit support. Nothing touches the real apt.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
BAD_INDEX=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz

mkdir -p "$WORK/bin"
cat >"$WORK/bin/apt-get" <<STUB
#!/usr/bin/env bash
echo "apt-get \$*" >>"\$STATE/calls"
case "\$1" in
  update)
    n=\$(cat "\$STATE/update-failures")
    if [ "\$n" -gt 0 ]; then
      echo \$((n - 1)) >"\$STATE/update-failures"
      echo "E: Failed to fetch $BAD_INDEX  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi ;;
  install)
    case "\$(cat "\$STATE/install")" in
      held) [[ " \$* " == *" -t bookworm "* ]] && exit 0
            echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
      missing) echo "E: Unable to locate package wine32" >&2; exit 100 ;;
    esac ;;
esac
STUB
cat >"$WORK/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STATE/calls"
case "$1" in
  --print-foreign-architectures) cat "$STATE/arches" ;;
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
esac
STUB
cat >"$WORK/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[ -f "$STATE/installed" ] && printf 'install ok installed' && exit 0
exit 1
STUB
chmod +x "$WORK/bin/"*

# Each row: name | runs 32-bit | update failures | install outcome | already set up |
#           expected exit | lines the output must hold (;-separated) | calls that must happen
#           (;-separated) | calls that must not happen (;-separated)
rows=(
  "clean|yes|0|ok|no|0||dpkg --add-architecture i386;apt-get update;install -y --no-install-recommends g++-mingw-w64-i686-posix;wine32-preloader:i386|-t bookworm"
  "mirror heals on the second try|yes|1|ok|no|0||apt-get update;apt-get update;apt-get install|warning"
  "mirror stays broken|yes|9|ok|no|0|apt-get update still reports errors after 3 tries;index not fetched: $BAD_INDEX|apt-get install|"
  "held broken packages|yes|0|held|no|0|trying again with bookworm as target release|install -y --no-install-recommends -t bookworm|"
  "other install failure|yes|0|missing|no|1|FAILED: apt-install;command: apt-get install;log: |apt-get install|-t bookworm"
  "no 32-bit code|no|0|ok|no|0||apt-get install;wine64-preloader|add-architecture;wine32:i386;wine32-preloader"
  "already set up|yes|0|ok|yes|0||dpkg --print-foreign-architectures|apt-get"
)

failures=0
fail() { echo "FAIL [$name]: $*"; failures=$((failures + 1)); }
for row in "${rows[@]}"; do
  IFS='|' read -r name runs32 update_failures install set_up want_rc want_out want_calls forbidden <<<"$row"
  export STATE="$WORK/state-${name// /-}"
  mkdir -p "$STATE/sources" "$STATE/logs"
  echo "$update_failures" >"$STATE/update-failures"
  echo "$install" >"$STATE/install"
  : >"$STATE/calls" >"$STATE/arches"
  if [ "$set_up" = yes ]; then
    touch "$STATE/installed" "$STATE/sources/update-deb-src.sources"
    echo i386 >"$STATE/arches"
  fi
  rc=0
  output=$(
    PATH="$WORK/bin:$PATH" UPDATE_MACHINE_RUNS_32BIT=$runs32 bash -c '
      source "$1/dev"
      LOGS=$STATE/logs APT_SOURCES_DIR=$STATE/sources
      need_root() { :; }
      sleep() { :; }
      setup_apt' _ "$ROOT" 2>&1
  ) || rc=$?
  [ "$rc" = "$want_rc" ] || fail "exit code $rc, expected $want_rc; output: $output"
  IFS=';' read -ra wanted <<<"$want_out"
  for line in "${wanted[@]}"; do
    grep -qF -- "$line" <<<"$output" || fail "output lacks '$line': $output"
  done
  IFS=';' read -ra calls <<<"$want_calls"
  for call in "${calls[@]}"; do
    expected=$(grep -o "$call" <<<"$want_calls" | wc -l)
    actual=$(grep -cF -- "$call" "$STATE/calls" || true)
    [ "$actual" -ge "$expected" ] || fail "'$call' made $actual times, expected $expected: $(cat "$STATE/calls")"
  done
  IFS=';' read -ra banned <<<"$forbidden"
  for call in "${banned[@]}"; do
    if grep -qF -- "$call" "$STATE/calls" || grep -qF -- "$call" <<<"$output"; then
      fail "'$call' happened: $(cat "$STATE/calls") $output"
    fi
  done
  [ "$name" != "mirror stays broken" ] || [ "$(grep -c 'apt-get update' "$STATE/calls")" = 3 ] ||
    fail "apt-get update not tried exactly 3 times"
done
[ "$failures" = 0 ] && echo "all ${#rows[@]} set-up cases passed"
exit "$failures"
