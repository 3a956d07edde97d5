#!/usr/bin/env bash
# Configures and builds Murmlet into build/ (or $MURMLET_BUILD). Extra arguments go to
# the build tool, e.g. a target name: scripts/build.sh --target murmlet
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${MURMLET_BUILD:-$root/build}
echo "Configuring the build in $build..."
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" "$@"
