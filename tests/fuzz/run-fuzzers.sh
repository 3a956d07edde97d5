#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for SECONDS, its corpus seeded from the test
# fixtures; prints executions and findings per target and fails on any finding (the
# input that found it is kept in BUILD/TARGET-findings/ and printed).
#   run-fuzzers.sh BUILD_FOLDER [SECONDS]     (SECONDS: 10 a target)
# Targets: the INI document (what settings.ini and the update store go through) and the
# WAV reader (custom sounds are any file a user picks).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1
seconds=${2:-10}
mkdir -p "$build"

qt_flags=$(pkg-config --cflags Qt6Core)
qt_libs=$(pkg-config --libs Qt6Core)
compile() { # target sources...
  local target=$1
  shift
  local binary=$build/$target
  local newest=$binary
  for f in "$@" "$root/tests/fuzz/$target.cpp"; do [ "$f" -nt "$newest" ] && newest=$f; done
  [ "$newest" = "$binary" ] && [ -x "$binary" ] && return 0
  # shellcheck disable=SC2086 # the pkg-config flags are several words
  clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I "$root" $qt_flags \
    "$root/tests/fuzz/$target.cpp" "$@" $qt_libs -o "$binary"
}

# Seeds: the settings files of the store tests, and the heads of the built-in sounds.
seed_ini() {
  local dir=$build/fuzz_inidocument-corpus
  mkdir -p "$dir"
  printf '\xef\xbb\xbf[Settings]\r\nNoiseThreshold=7\r\nTolerance=0x1F\r\nSound=Custom\r\nCustomSound=C:\\M\xc3\xbcsic\\a.wav\r\n\r\n' >"$dir/settings"
  printf '; comment\r\nlost=before any section\r\n[Settings]\r\nnoisethreshold = 3 \r\n[Other]\r\nkey=a=b\r\n' >"$dir/sections"
  printf '[Settings]\nSound=Beep\n[settings]\nSOUND=Male\n' >"$dir/letter-case"
  printf '[Settings]\r\nCustomSound=C:\\M\xfcsic\\a.wav\r\n' >"$dir/latin-1"
  printf '\xef\xbb\xbf[Settings]\r\nHowMany=3\r\nInstalledVersion=1.1\r\nLastUpdateCheck=10.12.26\r\n\r\n' >"$dir/update-store"
}
seed_wav() {
  local dir=$build/fuzz_wavsound-corpus
  mkdir -p "$dir"
  for f in "$root"/resources/sounds/*.wav; do head -c 600 "$f" >"$dir/$(basename "$f")"; done
}

compile fuzz_inidocument "$root/base/inidocument.cpp"
compile fuzz_wavsound "$root/monitor/wavsound.cpp"
seed_ini
seed_wav

failed=0
total=0
for target in fuzz_inidocument fuzz_wavsound; do
  findings=$build/$target-findings
  mkdir -p "$findings"
  log=$build/$target.log
  status=0
  "$build/$target" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" "$build/$target-corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n1)
  found=$(find "$findings" -type f | wc -l)
  echo "$target: ${runs:-0} executions in ${seconds} s, $found finding(s)"
  total=$((total + ${runs:-0}))
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    grep -E 'ERROR|runtime error|SUMMARY' "$log" | head -n 5 || true
    find "$findings" -type f -exec sh -c 'echo "  $1:"; od -A d -c "$1" | head -n 8' _ {} \;
  fi
done
echo "fuzzing: $total executions in all"
exit "$failed"
