#!/usr/bin/env bash
# Builds the Windows third-party libraries (libcurl, pugixml, libsodium) from Debian's source
# packages into a cache folder.
# Usage: third_party.sh CACHE_DIR TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32). Each library
# is rebuilt only when its installed package files are missing.
set -euo pipefail

CACHE=$(mkdir -p "${1:?cache folder}" && cd "$1" && pwd)
TRIPLET=${2:?mingw triplet}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOOLCHAIN="$ROOT/cmake/toolchain-${TRIPLET%%-*}-mingw32.cmake"
SRC="$CACHE/src"
PREFIX="$CACHE/$TRIPLET/install"
mkdir -p "$SRC" "$PREFIX"

# fetch PACKAGE VERSION_PREFIX: unpacks Debian's source package into $SRC, prints its folder.
fetch() {
  local pkg=$1 version=$2 dir
  dir=$(find "$SRC" -maxdepth 1 -type d -name "$pkg-$version*" | head -n 1)
  if [ -z "$dir" ]; then
    (cd "$SRC" && apt-get source -q "$pkg" >&2)
    dir=$(find "$SRC" -maxdepth 1 -type d -name "$pkg-$version*" | head -n 1)
  fi
  [ -n "$dir" ] || { echo "source package $pkg $version not found" >&2; exit 1; }
  echo "$dir"
}

cross_build() {
  local name=$1 source=$2; shift 2
  local build="$CACHE/$TRIPLET/build-$name"
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "$@"
  cmake --build "$build"
  cmake --install "$build"
}

if [ ! -f "$PREFIX/lib/cmake/CURL/CURLConfig.cmake" ]; then
  echo "building libcurl for $TRIPLET"
  cross_build curl "$(fetch curl 7.88.1)" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DHTTP_ONLY=ON \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DENABLE_UNIX_SOCKETS=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_ZLIB=ON -DZLIB_USE_STATIC_LIBS=ON
fi

if [ ! -f "$PREFIX/lib/cmake/pugixml/pugixml-config.cmake" ]; then
  echo "building pugixml for $TRIPLET"
  cross_build pugixml "$(fetch pugixml 1.)" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF
fi

# libsodium's own autotools build.
if [ ! -f "$PREFIX/lib/libsodium.a" ]; then
  echo "building libsodium for $TRIPLET"
  source_dir=$(fetch libsodium 1.0.18)
  # The source package carries configure.ac, not configure.
  [ -x "$source_dir/configure" ] || (cd "$source_dir" && autoreconf -fi)
  build="$CACHE/$TRIPLET/build-libsodium"
  rm -rf "$build" && mkdir -p "$build"
  (cd "$build" && "$source_dir/configure" --host="$TRIPLET" --prefix="$PREFIX" \
    --disable-shared --enable-static --disable-dependency-tracking --with-pic=no \
    CFLAGS="-O2" && make -j"$(nproc)" && make install)
fi

# rapidjson is header-only; the cross build sees just its own folder, never /usr/include.
if [ ! -e "$CACHE/rapidjson-include/rapidjson" ]; then
  mkdir -p "$CACHE/rapidjson-include"
  ln -s /usr/include/rapidjson "$CACHE/rapidjson-include/rapidjson"
fi
echo "third-party libraries ready in $PREFIX"
