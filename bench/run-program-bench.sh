#!/usr/bin/env bash
# Runs the real program (build/murmlet, copied into a folder of its own with Auto Start
# on) under Xvfb beside the private sound server of the end-to-end tests, and prints its
# CPU, wake-ups and memory beside parec and a bare Qt window (bench/program_bench.py).
# Builds nothing: build murmlet and murmlet_bare_window first.
# Usage: bench/run-program-bench.sh [build-folder] [seconds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-30}
if [ -z "${MURMLET_PULSE_RUN:-}" ]; then
  exec bash "$root/tests/e2e/with-pulse.sh" bash "${BASH_SOURCE[0]}" "$build" "$seconds"
fi
# The update check goes to a loopback port that refuses it: nothing leaves the machine.
export ALL_PROXY=http://127.0.0.1:9
display=:96
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
python3 "$root/bench/program_bench.py" "$build" "$seconds"
