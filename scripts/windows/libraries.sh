#!/usr/bin/env bash
# Cross-builds, once, the libraries the Windows program links: Qt base (Core, Gui,
# Widgets, Test and the windows platform plugin), libcurl on Windows' own TLS
# (Schannel) and PCRE2's 16-bit library, from Debian's source packages, into
# $1/prefix. Each library leaves a stamp; a finished library is never built again.
# The folder name given by the caller carries a hash of this recipe, so a changed
# recipe builds afresh beside the old one.
set -euo pipefail
cache=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$cache/prefix
work=$cache/work
src=$cache/src
jobs=${MURMLET_JOBS:-$(nproc)}
mkdir -p "$prefix" "$work"

sed "s|@PREFIX@|$prefix|g" "$here/toolchain.cmake.in" > "$cache/toolchain.cmake"
bash "$here/fetch-sources.sh" "$cache" qt6-base curl pcre2

cross=(--host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix
       AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib --prefix="$prefix")

step() { echo "== $(date +%T) $*"; }

if [ ! -f "$prefix/.pcre2-done" ]; then
  step "PCRE2 (16-bit)"
  rm -rf "$work/pcre2" && cp -a "$src"/pcre2-10.42 "$work/pcre2"
  (cd "$work/pcre2" && ./configure "${cross[@]}" --enable-pcre2-16 --enable-jit \
      --disable-pcre2-8 --disable-pcre2grep-jit --disable-static --enable-shared >/dev/null &&
   make -j"$jobs" >/dev/null && make install >/dev/null)
  rm -rf "$work/pcre2"
  touch "$prefix/.pcre2-done"
fi

if [ ! -f "$prefix/.curl-done" ]; then
  step "libcurl (Schannel)"
  rm -rf "$work/curl" && cp -a "$src"/curl-7.88.1 "$work/curl"
  (cd "$work/curl"
   # Debian's patches rename the library for its GnuTLS and NSS flavours; take them
   # back off, as Debian's own build does for the OpenSSL flavour.
   for p in 99_nss.patch 90_gnutls.patch; do
     [ -f debian/patches/$p ] && patch -R -p1 -s < debian/patches/$p
   done
   autoreconf -fi >/dev/null 2>&1
   ./configure "${cross[@]}" --with-schannel --without-openssl --without-gnutls \
      --disable-ldap --disable-ldaps --without-zlib --without-brotli --without-zstd \
      --without-libpsl --without-nghttp2 --without-libssh2 --without-librtmp \
      --without-libidn2 --with-winidn --disable-manual --disable-docs \
      --disable-ftp --disable-file --disable-dict --disable-gopher --disable-imap \
      --disable-pop3 --disable-rtsp --disable-smb --disable-smtp --disable-telnet \
      --disable-tftp --disable-mqtt --disable-static --enable-shared >/dev/null &&
   make -j"$jobs" -C lib >/dev/null && make -C lib install >/dev/null &&
   make -C include install >/dev/null && make install-pkgconfigDATA >/dev/null)
  rm -rf "$work/curl"
  touch "$prefix/.curl-done"
fi

if [ ! -f "$prefix/.qt-done" ]; then
  step "Qt base (about 25 minutes on 2 cores)"
  rm -rf "$work/qt" && mkdir -p "$work/qt"
  # Only what the program and its tests use is built: widgets and formats nobody calls
  # are switched off to save build time.
  unused=(sql network printsupport concurrent xml tabletevent dbus
          graphicsview graphicseffect mdiarea undoview undocommand calendarwidget datetimeedit
          dial lcdnumber fontcombobox fontdialog colordialog wizard keysequenceedit
          columnview datawidgetmapper textodfwriter textmarkdownreader textmarkdownwriter
          pdf splashscreen toolbox commandlinkbutton vulkan gif jpeg movie
          sessionmanager textbrowser)
  features=()
  for f in "${unused[@]}"; do features+=("-no-feature-$f"); done
  (cd "$work/qt" &&
   "$src"/qt6-base-6.4.2+dfsg/configure -prefix "$prefix" \
     -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -qt-host-path /usr \
     -release -shared -nomake examples -nomake tests -nomake benchmarks \
     -no-pkg-config -no-opengl -no-icu -no-zstd -no-glib \
     -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -qt-doubleconversion \
     "${features[@]}" \
     -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$cache/toolchain.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake > "$cache/qt-configure.log" 2>&1 ||
     { tail -40 "$cache/qt-configure.log"; exit 1; }
   cmake --build . --parallel "$jobs" > "$cache/qt-build.log" 2>&1 ||
     { grep -B2 -A20 'FAILED' "$cache/qt-build.log" | head -60; exit 1; }
   cmake --install . > /dev/null)
  rm -rf "$work/qt"
  touch "$prefix/.qt-done"
fi
step "Windows libraries ready in $prefix"
