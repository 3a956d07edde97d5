#!/usr/bin/env bash
# Cross-builds the Windows program and its tests on Debian with MinGW-w64 and lays out
# build-windows/murmlet-<version>-windows-x64/, a folder that runs on Windows as it is,
# zipped beside it as murmlet-<version>-windows-x64.zip, and the Windows Installer package
# murmlet-<version>-windows-x64.msi of the same files (scripts/windows/make-msi.sh).
#
# With MURMLET_SIGN_CERT and MURMLET_SIGN_KEY (PEM files; MURMLET_SIGN_KEY_PASSWORD and
# MURMLET_SIGN_TIMESTAMP_URL when needed) our programs and modules and then the package are
# signed (scripts/windows/sign.sh); without them nothing is signed.
#
# The libraries it links (Qt base, libcurl on Schannel, PCRE2; OpenSSL and libmosquitto for
# the school link's module) are built once from
# Debian's source packages into a cache outside the repository:
#   ${MURMLET_WINDOWS_CACHE:-~/.cache/murmlet-windows}/libs-<hash of the recipe>
# The first run takes about 25 minutes on two cores; later runs reuse the cache.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
build=${MURMLET_WINDOWS_BUILD:-$root/build-windows}
cache_root=${MURMLET_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/murmlet-windows}

bash "$root/scripts/setup.sh" windows

recipe=$(cat "$root"/scripts/windows/libraries.sh "$root"/scripts/windows/fetch-sources.sh \
             "$root"/scripts/windows/toolchain.cmake.in | sha256sum | cut -c1-12)
libs=$cache_root/libs-$recipe
mkdir -p "$libs"
if [ ! -f "$libs/prefix/.qt-done" ]; then
  echo "Building the Windows libraries once into $libs (about 25 minutes on 2 cores)..."
fi
bash "$root/scripts/windows/libraries.sh" "$libs"
bash "$root/scripts/windows/link-libraries.sh" "$libs"
prefix=$libs/prefix

echo "Configuring the Windows build in $build..."
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$libs/toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$build" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/windows/wine-run.sh" >/dev/null
cmake --build "$build" -j "$(nproc)"

# What the program needs beside it: Qt's libraries and plugins, libcurl, PCRE2, the school
# link module's libmosquitto and OpenSSL, and the MinGW runtime. The tests run from the
# build folder, so it gets them too.
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
runtime=(
  "$prefix"/bin/Qt6Core.dll "$prefix"/bin/Qt6Gui.dll "$prefix"/bin/Qt6Widgets.dll
  "$prefix"/bin/libcurl-4.dll "$prefix"/bin/libpcre2-16-0.dll
  "$prefix"/bin/libmosquitto.dll "$prefix"/bin/libssl-3-x64.dll "$prefix"/bin/libcrypto-3-x64.dll
  "$gcc_runtime"/libstdc++-6.dll "$gcc_runtime"/libgcc_s_seh-1.dll
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
)
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll)
lay_out() { # folder
  mkdir -p "$1/platforms" "$1/styles"
  cp -u "${runtime[@]}" "$1/"
  for p in "${plugins[@]}"; do cp -u "$prefix/plugins/$p" "$1/$p"; done
}
lay_out "$build"
cp -u "$prefix"/bin/Qt6Test.dll "$build/"

name=$(windows_dist_name)
dist=$build/$name
rm -rf "$dist" "$build/$name.zip" "$build/$name.msi"
lay_out "$dist"
rm -f "$dist/platforms/qoffscreen.dll"
cp "$build/murmlet.exe" "$dist/"
cp "$build/murmlet-link.dll" "$dist/" # the school link's module, loaded only when it is used
cp -r "$root/resources/Languages" "$dist/Languages"
cp "$root/resources/license.txt" "$dist/"
find "$dist" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
if [ -n "${MURMLET_SIGN_CERT:-}${MURMLET_SIGN_KEY:-}" ]; then
  if [ -z "${MURMLET_SIGN_CERT:-}" ] || [ -z "${MURMLET_SIGN_KEY:-}" ]; then
    echo "MURMLET_SIGN_CERT and MURMLET_SIGN_KEY are set together or not at all" >&2
    exit 1
  fi
  signing=yes
  echo "Signing with $MURMLET_SIGN_CERT..."
  bash "$root/scripts/windows/sign.sh" "$dist" # after stripping, which would break it
else
  signing=no
  echo "Not signing: MURMLET_SIGN_CERT and MURMLET_SIGN_KEY are not set."
fi
(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "Windows program: $dist ($(du -sh "$dist" | cut -f1)), $build/$name.zip ($(du -h "$build/$name.zip" | cut -f1))"
bash "$root/scripts/windows/make-msi.sh" "$dist" "$build/$name.msi"
[ "$signing" = no ] || bash "$root/scripts/windows/sign.sh" "$dist" "$build/$name.msi"
