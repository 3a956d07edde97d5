#!/usr/bin/env bash
# Runs the monitoring benchmark beside the private sound server of the end-to-end tests
# (tests/e2e/with-pulse.sh). Builds nothing: build murmlet_bench first, e.g.
#   ninja -C build murmlet_bench
# The window is offscreen by default: there is no X server whose CPU time could hide
# from, or leak into, the figures. --xvfb shows it on an Xvfb display through the X11
# plugin instead, as users run it.
# Usage: bench/run-bench.sh [build-folder] [--xvfb] [--seconds N] [--onsets N]
#                           [--fragment BYTES] [--noise steady|varying]
#   build-folder defaults to build/ in the repository.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
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
if [ "${1:-}" = "--xvfb" ]; then
  shift
  start_xvfb 1024x768x24
  QT_QPA_PLATFORM=xcb bash "$root/tests/e2e/with-pulse.sh" "$bench" "$@"
  exit
fi
QT_QPA_PLATFORM=offscreen exec bash "$root/tests/e2e/with-pulse.sh" "$bench" "$@"
