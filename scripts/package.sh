#!/usr/bin/env bash
# Installs what is missing, builds Murmlet and makes its Debian package,
# build/murmlet_<version>_<arch>.deb (or in $MURMLET_BUILD, or the folder given).
# Usage: scripts/package.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export MURMLET_BUILD=${1:-${MURMLET_BUILD:-$root/build}}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" --target murmlet murmlet_icons
echo "Making the Debian package (CPack, dependencies from dpkg-shlibdeps)..."
rm -f "$MURMLET_BUILD"/murmlet_*.deb
(cd "$MURMLET_BUILD" && cpack -G DEB >cpack.log 2>&1) || { cat "$MURMLET_BUILD/cpack.log"; exit 1; }
ls "$MURMLET_BUILD"/murmlet_*.deb
