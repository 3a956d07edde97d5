#!/usr/bin/env bash
# Cross-builds, once, what the school link's module needs on Windows: OpenSSL and
# libmosquitto (the client library only, without its own threading: the module calls it
# from one thread), from Debian's source packages, into the same prefix as the other
# libraries ($1/prefix). Each library's stamp carries a hash of this script, so a changed
# recipe builds it again without touching Qt.
set -euo pipefail
cache=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$cache/prefix
work=$cache/work
src=$cache/src
jobs=${MURMLET_JOBS:-$(nproc)}
recipe=$(sha256sum "$here/link-libraries.sh" | cut -c1-12)
mkdir -p "$prefix" "$work"

step() { echo "== $(date +%T) $*"; }

if [ ! -f "$prefix/.openssl-$recipe-done" ] || [ ! -f "$prefix/.mosquitto-$recipe-done" ]; then
  bash "$here/fetch-sources.sh" "$cache" openssl mosquitto
fi

if [ ! -f "$prefix/.openssl-$recipe-done" ]; then
  step "OpenSSL (about 6 minutes on 2 cores)"
  rm -rf "$work/openssl" && cp -a "$src"/openssl-3.*/ "$work/openssl"
  (cd "$work/openssl" &&
   ./Configure mingw64 shared no-tests no-legacy no-engine no-module \
      --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" --libdir=lib \
      CC=gcc-posix >/dev/null &&
   make -j"$jobs" build_libs >/dev/null 2>&1 &&
   make install_dev install_runtime_libs >/dev/null)
  rm -rf "$work/openssl"
  touch "$prefix/.openssl-$recipe-done"
fi

if [ ! -f "$prefix/.mosquitto-$recipe-done" ]; then
  step "libmosquitto"
  rm -rf "$work/mosquitto" && cp -a "$src"/mosquitto-2.*/ "$work/mosquitto"
  (cd "$work/mosquitto" && mkdir build && cd build &&
   cmake .. -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cache/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DOPENSSL_ROOT_DIR="$prefix" \
      -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF \
      -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_THREADING=OFF -DWITH_STATIC_LIBRARIES=OFF \
      -DWITH_SRV=OFF -DWITH_LIB_CPP=OFF >/dev/null &&
   cmake --build . --parallel "$jobs" >/dev/null && cmake --install . >/dev/null)
  rm -rf "$work/mosquitto"
  touch "$prefix/.mosquitto-$recipe-done"
fi
