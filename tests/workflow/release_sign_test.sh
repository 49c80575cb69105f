#!/usr/bin/env bash
# release-sign against itself: key files, a signed answer that verifies with its package, and
# answers, packages and keys that must not. Usage: release_sign_test.sh RELEASE-SIGN
set -euo pipefail
SIGN=$1
KEYS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../app" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

umask 000  # the files' modes must come from their creation, not from the umask
"$SIGN" keygen vendor
"$SIGN" keygen other
cp vendor.secret kept.secret
cp "$KEYS"/release-test-key.public "$KEYS"/release-test-key.secret .
touch half.public
# Past the first 64 KiB piece, the last byte differs.
head -c 200000 /dev/zero | tr '\0' a >package
{ head -c 199999 /dev/zero | tr '\0' a; printf b; } >changed
# A zip package, and the same with its items' digests recorded.
mkdir -p tree/bin && head -c 100000 /dev/urandom >tree/bin/tool.dll && echo readme >tree/readme.txt
(cd tree && zip -qr ../plain.zip .)
URL=http://127.0.0.1:1/package/full
sign() { "$SIGN" sign --secret-key "$1" --client-type 7 --version 3.2.0.1 --url "$URL" \
  --package package --expires-in "$2"; }
answer() { printf '{"success":true,"version_number":"3.2.0.1","url":"%s",%s}' "$1" "$2"; }
before=$(date +%s)
members=$(sign vendor.secret 3600)
answer "$URL" "$members" >good.json
answer "$URL?x=1" "$members" >url.json
answer "$URL" "$(sign vendor.secret -60)" >expired.json
answer "$URL" "${members%,\"signature\"*}" >unsigned.json
answer "$URL" "$(sign release-test-key.secret 60)" >test-key.json
verify() { echo "verify --public-key $1 --client-type ${3:-7} --answer $2 --package ${4:-package}"; }
"$SIGN" index --package plain.zip --out indexed.zip
indexed=$("$SIGN" sign --secret-key vendor.secret --client-type 7 --version 3.2.0.1 --url "$URL" \
  --package indexed.zip --expires-in 60)
answer "$URL" "$indexed" >indexed.json

# Each row: name | arguments | expected exit | text the output must hold
rows=(
  "keygen keeps a pair|keygen vendor|1|vendor.secret exists already"
  "keygen keeps half a pair|keygen half|1|half.public exists already"
  "round trip|$(verify vendor.public good.json)|0|good"
  "the committed test pair|$(verify release-test-key.public test-key.json)|0|good"
  "url changed|$(verify vendor.public url.json)|1|signature is not the vendor's"
  "package changed|$(verify vendor.public good.json 7 changed)|1|package does not match \"sha256\""
  "another key|$(verify other.public good.json)|1|signature is not the vendor's"
  "another client type|$(verify vendor.public good.json 8)|1|signature is not the vendor's"
  "expired|$(verify vendor.public expired.json)|1|the answer has expired"
  "signature missing|$(verify vendor.public unsigned.json)|1|the answer is not signed"
  "no answer file|$(verify vendor.public none.json)|2|cannot read none.json"
  "secret key given as public|$(verify vendor.secret good.json)|2|vendor.secret is no key file"
  "an indexed package|$(verify vendor.public indexed.json 7 indexed.zip)|0|good"
  "its directory changed|$(verify vendor.public indexed.json 7 plain.zip)|1|package does not match"
  "index twice|index --package indexed.zip --out twice.zip|1|records its items' digests already"
  "index a file that is no zip|index --package package --out no.zip|1|package is no zip archive"
  "index onto a file|index --package plain.zip --out package|1|cannot create package"
)
failures=0
fail() { echo "FAIL [$name]: $*"; failures=$((failures + 1)); }
for row in "${rows[@]}"; do
  IFS='|' read -r name arguments want_rc want_out <<<"$row"
  read -ra args <<<"$arguments"
  rc=0
  output=$("$SIGN" "${args[@]}" 2>&1) || rc=$?
  [ "$rc" = "$want_rc" ] || fail "exit code $rc, expected $want_rc: $output"
  grep -qF -- "$want_out" <<<"$output" || fail "output lacks '$want_out': $output"
done
name=files
[ "$(stat -c %a vendor.secret vendor.public)" = "$(printf '600\n644')" ] ||
  fail "modes $(stat -c %a vendor.secret vendor.public)"
cmp -s vendor.secret kept.secret || fail "vendor.secret was overwritten"
[ ! -e half.secret ] || fail "half.secret left behind"
name=members
sha=$(sha256sum package | cut -c1-64)
[[ $members =~ ^\"sha256\":\"$sha\",\"expires\":([0-9]+),\"signature\":\"[0-9a-f]{128}\"$ ]] ||
  fail "$members"
expires=${BASH_REMATCH[1]:-0}
((expires >= before + 3600 && expires <= $(date +%s) + 3600)) || fail "expires $expires"
name=index
[[ $indexed =~ ,\"directory_sha256\":\"[0-9a-f]{64}\"$ ]] || fail "$indexed"
[[ $members != *directory_sha256* ]] || fail "a package without digests: $members"
# Ordinary tools unpack the indexed package as they did the plain one.
unzip -tq indexed.zip >/dev/null || fail "unzip -t refuses the indexed package"
mkdir out && (cd out && bsdtar -xf ../indexed.zip) && diff -r tree out || fail "bsdtar unpacks another tree"
[ ! -e twice.zip ] && [ ! -e no.zip ] || fail "a refused index left a file"
[ "$failures" = 0 ] && echo "all ${#rows[@]} release-sign cases passed"
exit "$failures"
