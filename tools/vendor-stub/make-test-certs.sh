#!/bin/sh
# Writes the certificates the HTTPS tests use into DIR (made if missing):
#   ca.pem                          a test certificate authority
#   localhost.pem, localhost.key    signed by it for DNS:localhost (clients under Wine's
#                                   Schannel match DNS names only, never IP addresses)
#   wrong-name.pem, wrong-name.key  signed by it for DNS:wrong-name.example only
#   self-signed.pem, self-signed.key  signed by no one, for DNS:localhost
# A DIR that already holds every file is left as it is; otherwise all are made anew.
set -eu

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
dir=$1
files="ca.pem localhost.pem localhost.key wrong-name.pem wrong-name.key self-signed.pem self-signed.key"

have_whole_set() {
  for f in $files; do
    [ -s "$dir/$f" ] || return 1
  done
}
have_whole_set && exit 0

command -v openssl >/dev/null || { echo "$0: openssl is not installed" >&2; exit 1; }
mkdir -p "$dir"
# Runs that meet on one DIR take turns, so a set is never mixed from two CAs.
exec 9>"$dir/.make-test-certs.lock"
flock 9
have_whole_set && exit 0
work=$(mktemp -d "$dir/.make-test-certs.XXXXXX")
trap 'rm -rf "$work"' EXIT

days=3650
ssl() { openssl "$@" 2>"$work/openssl.log" || { cat "$work/openssl.log" >&2; exit 1; }; }

ssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout "$work/ca.key" -out "$work/ca.pem" -subj "/CN=Update test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"

# server NAME DNS: a key and a certificate for DNS, signed by the test CA.
server() {
  ssl req -newkey rsa:2048 -nodes -sha256 -keyout "$work/$1.key" -out "$work/$1.csr" \
    -subj "/CN=$2"
  printf '%s\n' "basicConstraints=critical,CA:FALSE" \
    "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" \
    "subjectAltName=DNS:$2" >"$work/$1.ext"
  ssl x509 -req -in "$work/$1.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
    -sha256 -days "$days" -extfile "$work/$1.ext" -out "$work/$1.pem"
}
server localhost localhost
server wrong-name wrong-name.example

ssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout "$work/self-signed.key" -out "$work/self-signed.pem" -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost" -addext "extendedKeyUsage=serverAuth"

# What is left of a broken set goes first: the set looks whole again only once the last new
# file is in place, also to a run that checks without the lock.
for f in $files; do
  rm -f "$dir/$f"
done
for f in $files; do
  mv -f "$work/$f" "$dir/$f"
done
