#!/usr/bin/env bash
# Installs what is missing, builds Murmlet and runs the whole test suite:
#   unit   - the core library, no display
#   widget - the windows, offscreen
#   e2e    - the monitoring window against a private sound server (tests/e2e/with-pulse.sh),
#            once on PulseAudio and once on PipeWire with pipewire-pulse
#   wayland - the windows and the program under a private headless Wayland compositor
# and the Debian package: the menu entry and the software centre's page are validated,
# and scripts/test-package.sh installs the package, tries the installed program and
# removes it again.
# The core library is also built on its own without Qt Widgets, so a stray Widgets
# include in it breaks this script, and its tests run under ThreadSanitizer; and
# scripts/check-layers.sh fails on an include that points up the layers. The whole suite
# runs again under AddressSanitizer and UndefinedBehaviorSanitizer, and the end-to-end
# test under ThreadSanitizer; quitting during an update check is stressed under
# AddressSanitizer (MURMLET_EXIT_STRESS_RUNS runs), and every parser is fuzzed for
# MURMLET_FUZZ_SECONDS a target. The sanitizer builds keep their folders ($build-core,
# $build-asan, $build-tsan, $build-fuzz), so a second run only rebuilds what changed.
# Last, scripts/test-windows.sh cross-builds the Windows program and runs its tests under
# Wine; MURMLET_SKIP_WINDOWS=1 leaves that out. The Windows program (and the first time
# its libraries, built once into a cache) builds from the start beside the Linux stages.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${MURMLET_BUILD:-$root/build}
# Each stage's start with the minutes since this run began, to find where the time goes.
began=$SECONDS
stage() { printf '== %s [%d:%02d]\n' "$1" $(((SECONDS - began) / 60)) $(((SECONDS - began) % 60)); }
# Tests that meet a sound server or the school's engines run one at a time (RUN_SERIAL);
# the rest run side by side.
jobs=$(nproc)
windows=1
[ "${MURMLET_SKIP_WINDOWS:-0}" = 1 ] && windows=0
if [ "$windows" = 1 ]; then
  echo "This run ends with the Windows program under Wine. The first run on a machine builds"
  echo "its libraries once (about 25 minutes on 2 cores, kept in ~/.cache/murmlet-windows);"
  echo "MURMLET_SKIP_WINDOWS=1 bash scripts/test.sh runs the Linux part alone."
  bash "$root/scripts/setup.sh" windows
else
  bash "$root/scripts/setup.sh"
fi

# The Windows program builds from the start, beside the Linux stages and at a lower
# priority: its libraries take long the first time (cached after), and the Linux tests
# leave the cores idle while they listen. The Windows stage waits for it.
if [ "$windows" = 1 ]; then
  windows_build_log=$(mktemp /tmp/murmlet-windows-build.XXXXXX)
  setsid nice -n 15 bash "$root/scripts/build-windows.sh" >"$windows_build_log" 2>&1 &
  windows_build=$!
  # A run that fails before the Windows stage stops that build too (its own process group).
  trap 'kill -- "-$windows_build" 2>/dev/null || true' EXIT
fi

stage "layers"
# Includes point down the layers; a stray upward include fails before anything builds.
bash "$root/scripts/check-layers.sh"

# The core alone, without Qt Widgets, under ThreadSanitizer: a data race is a failure.
export TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp ${TSAN_OPTIONS:-}"
stage "core-only build under ThreadSanitizer"
echo "Configuring the core-only build in $build-core..."
cmake -S "$root" -B "$build-core" -G Ninja -DMURMLET_CORE_ONLY=ON -DMURMLET_SANITIZER=thread \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-core" -j "$(nproc)"
ctest --test-dir "$build-core" --output-on-failure -j "$jobs"

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer: any report fails,
# a leak at exit too. Only libwayland-client's own leak at exit is suppressed
# (tests/lsan.supp): the suite, Qt, fontconfig and libpulse end without a leak report.
export ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 ${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp ${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
stage "AddressSanitizer build"
echo "Configuring the AddressSanitizer build in $build-asan..."
cmake -S "$root" -B "$build-asan" -G Ninja -DMURMLET_CORE_ONLY=OFF \
  -DMURMLET_SANITIZER=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-asan" -j "$(nproc)"
# Quits at random moments of an update check against a server that never answers:
# every run ends cleanly, without a sanitizer report, its store whole. More runs by hand:
# tests/update/exit-stress.sh PROGRAM RUNS.
bash "$root/tests/update/exit-stress.sh" "$build-asan/murmlet_exitstress" \
  "${MURMLET_EXIT_STRESS_RUNS:-200}"
echo "Running the tests under AddressSanitizer; the end-to-end test takes about a minute..."
# The sound server makes no difference to the program's memory: PulseAudio alone here.
# The school link's engines run with the plain build only.
ctest --test-dir "$build-asan" --output-on-failure -j "$jobs" -LE 'pipewire|school'

# The end-to-end test, whose capture and playback threads meet the real sound server,
# under ThreadSanitizer; only its program is built.
stage "ThreadSanitizer end-to-end"
echo "Configuring the ThreadSanitizer build in $build-tsan..."
cmake -S "$root" -B "$build-tsan" -G Ninja -DMURMLET_SANITIZER=thread \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-tsan" -j "$(nproc)" --target tst_monitor_e2e
# The test starts its helpers (pactl, parec, paplay, bash) through QProcess, which forks
# the threaded test program; ThreadSanitizer refuses such a fork by default
# (die_after_fork), though the child only executes the helper.
echo "Running the end-to-end test under ThreadSanitizer..."
TSAN_OPTIONS="$TSAN_OPTIONS die_after_fork=0" ctest --test-dir "$build-tsan" --output-on-failure \
  -L e2e -LE 'pipewire|school'

stage "fuzzers"
# libFuzzer with clang, AddressSanitizer and UndefinedBehaviorSanitizer: a finding fails.
# A longer run: bench/run-fuzzers.sh.
bash "$root/tests/fuzz/run-fuzzers.sh" "$build-fuzz" "${MURMLET_FUZZ_SECONDS:-20}"

stage "build and package"
bash "$root/scripts/build.sh"

desktop-file-validate "$root/packaging/com.tambrix.Murmlet.desktop"
appstreamcli validate --no-net "$build/packaging/com.tambrix.Murmlet.metainfo.xml"
bash "$root/scripts/test-package.sh" "$build"

stage "Wayland"
echo "Running the windows and the program under a headless Wayland compositor (weston)..."
ctest --test-dir "$build" --output-on-failure -L wayland
echo "Running the tests; the end-to-end test listens to PulseAudio, then to PipeWire, for about"
echo "a minute and a half each..."
stage "tests"
ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE wayland

if [ "$windows" = 1 ]; then
  stage "Windows build"
  if ! wait "$windows_build"; then
    tail -n 40 "$windows_build_log" >&2
    echo "The Windows build failed; the whole log: $windows_build_log" >&2
    exit 1
  fi
  rm -f "$windows_build_log"
  stage "Windows"
  bash "$root/scripts/test-windows.sh"
fi
stage "done"
