#!/usr/bin/env bash
# Runs the monitoring benchmark beside the private sound server of the end-to-end tests
# (tests/e2e/with-pulse.sh). Builds nothing: build murmlet_bench first, e.g.
#   ninja -C build murmlet_bench
# The window is offscreen: there is no X server whose CPU time could hide from, or
# leak into, the figures.
# Usage: bench/run-bench.sh [build-folder] [--seconds N] [--onsets N] [--fragment BYTES]
#                           [--noise steady|varying]
#   build-folder defaults to build/ in the repository.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
bench=$build/bench/murmlet_bench
if [ ! -x "$bench" ]; then
  echo "no $bench: build it first (ninja -C $build murmlet_bench)" >&2
  exit 2
fi
QT_QPA_PLATFORM=offscreen exec bash "$root/tests/e2e/with-pulse.sh" "$bench" "$@"
