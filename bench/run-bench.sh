#!/usr/bin/env bash
# Runs the monitoring benchmark beside a private sound server (tests/e2e/with-pulse.sh),
# offscreen (no X server cost counted). Builds the benchmark first.
# Usage: bench/run-bench.sh [--seconds N] [--onsets N] [--fragment BYTES]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${MURMLET_BUILD:-$root/build}
bash "$root/scripts/build.sh" --target murmlet_bench >/dev/null
QT_QPA_PLATFORM=offscreen exec bash "$root/tests/e2e/with-pulse.sh" "$build/bench/murmlet_bench" "$@"
