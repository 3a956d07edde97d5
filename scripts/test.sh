#!/usr/bin/env bash
# Installs what is missing, builds Murmlet and runs the whole test suite:
#   unit   - the core library, no display
#   widget - the windows, offscreen
#   e2e    - the monitoring window against a private sound server (tests/e2e/with-pulse.sh)
# and the Debian package: the menu entry and the software centre's page are validated,
# and scripts/test-package.sh installs the package, tries the installed program and
# removes it again.
# The core library is also built on its own without Qt Widgets, so a stray Widgets
# include in it breaks this script, and its tests run under ThreadSanitizer; and
# scripts/check-layers.sh fails on an include that points up the layers. Quitting during
# an update check is stressed under AddressSanitizer (MURMLET_EXIT_STRESS_RUNS runs), and
# the INI document and the WAV reader are fuzzed for MURMLET_FUZZ_SECONDS each.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${MURMLET_BUILD:-$root/build}
bash "$root/scripts/setup.sh"

# Includes point down the layers; a stray upward include fails before anything builds.
bash "$root/scripts/check-layers.sh"

# The core alone, without Qt Widgets, under ThreadSanitizer: a data race is a failure.
export TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp ${TSAN_OPTIONS:-}"
echo "Configuring the core-only build in $build-core..."
cmake -S "$root" -B "$build-core" -G Ninja -DMURMLET_CORE_ONLY=ON -DMURMLET_SANITIZER=thread \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-core" -j "$(nproc)"
ctest --test-dir "$build-core" --output-on-failure

# Quits at random moments of an update check against a server that never answers:
# every run ends cleanly, without a sanitizer report, its store whole. Only the stress
# program is built here; more runs by hand: tests/update/exit-stress.sh PROGRAM RUNS.
cmake -S "$root" -B "$build-asan" -G Ninja -DMURMLET_CORE_ONLY=ON \
  -DMURMLET_SANITIZER=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-asan" -j "$(nproc)" --target murmlet_exitstress
bash "$root/tests/update/exit-stress.sh" "$build-asan/tests/update/murmlet_exitstress" \
  "${MURMLET_EXIT_STRESS_RUNS:-200}"

# libFuzzer with clang, AddressSanitizer and UndefinedBehaviorSanitizer: a finding fails.
# A longer run: bench/run-fuzzers.sh.
bash "$root/tests/fuzz/run-fuzzers.sh" "$build-fuzz" "${MURMLET_FUZZ_SECONDS:-10}"

bash "$root/scripts/build.sh"

desktop-file-validate "$root/packaging/com.tambrix.Murmlet.desktop"
appstreamcli validate --no-net "$build/packaging/com.tambrix.Murmlet.metainfo.xml"
bash "$root/scripts/test-package.sh" "$build"

echo "Running the tests; the end-to-end test listens to a private sound server for about a minute..."
ctest --test-dir "$build" --output-on-failure
