#!/usr/bin/env bash
# Runs the real program (build/murmlet, copied into a folder of its own with Auto Start
# on) under Xvfb beside the private sound server of the end-to-end tests, and prints its
# CPU, wake-ups and memory beside parec and a bare Qt window (bench/program_bench.py).
# Builds nothing: build murmlet and murmlet_bare_window first.
# Usage: bench/run-program-bench.sh [build-folder] [seconds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-30}
rerun_with_pulse "$build" "$seconds"
# The update check goes to a loopback port that refuses it: nothing leaves the machine.
export ALL_PROXY=http://127.0.0.1:9
start_xvfb 1024x768x24
export QT_QPA_PLATFORM=xcb
python3 "$root/bench/program_bench.py" "$build" "$seconds"
