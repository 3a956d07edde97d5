#!/usr/bin/env bash
# The fuzzers of tests/fuzz/ for longer than scripts/test.sh runs them; prints
# executions and findings per target and in all.
# Usage: bench/run-fuzzers.sh [build-folder] [seconds-per-target]
#   build-folder defaults to build-fuzz/ in the repository, seconds to 600.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec bash "$root/tests/fuzz/run-fuzzers.sh" "${1:-$root/build-fuzz}" "${2:-600}"
