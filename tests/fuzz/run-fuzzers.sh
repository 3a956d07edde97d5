#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for SECONDS, its corpus seeded from the test
# fixtures; prints executions and findings per target and the executions of all targets
# together, and fails on any finding (the input that found it is kept in
# BUILD/TARGET-findings/ and printed).
#   run-fuzzers.sh BUILD_FOLDER [SECONDS]     (SECONDS: 20 a target)
# Targets: the INI document (what settings.ini and the update store go through), the WAV
# reader (custom sounds are any file a user picks), the language files with
# LanguageCodes.csv, the version record, the update service's reply, the form
# encoding of posts and the messages the School window reads from the school's broker.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1
seconds=${2:-20}
mkdir -p "$build"

# Through ccache when it is there, as every other build of the project, with paths taken
# relative to the source, so that every clone shares the cache.
compiler=clang++
command -v ccache >/dev/null && compiler="ccache clang++"
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
# As many targets compile and run side by side as there are cores.
parallel=$(nproc)
qt_flags=$(pkg-config --cflags Qt6Core)
qt_libs=$(pkg-config --libs Qt6Core)
curl_libs=$(pkg-config --libs libcurl)
compile() { # target sources...
  local target=$1
  shift
  local libs=$qt_libs
  case $target in fuzz_updatecheck | fuzz_postform) libs="$libs $curl_libs" ;; esac
  local binary=$build/$target
  local newest=$binary
  for f in "$@" "${@/%.cpp/.h}" "$root/tests/fuzz/$target.cpp"; do
    [ "$f" -nt "$newest" ] && newest=$f
  done
  [ "$newest" = "$binary" ] && [ -x "$binary" ] && return 0
  # shellcheck disable=SC2086 # the pkg-config flags are several words
  $compiler -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I "$root" $qt_flags \
    "$root/tests/fuzz/$target.cpp" "$@" $libs -o "$binary"
}

# Seeds: the settings files of the store and window tests and the update store's records
# of the update check tests, taken from the tests' sources at each run (test_fixtures.py).
seed_ini() {
  python3 "$root/tests/fuzz/test_fixtures.py" ini "$build/fuzz_inidocument-corpus" >/dev/null
}
# Seeds: the heads of the built-in sounds.
seed_wav() {
  local dir=$build/fuzz_wavsound-corpus
  mkdir -p "$dir"
  for f in "$root"/resources/sounds/*.wav; do head -c 600 "$f" >"$dir/$(basename "$f")"; done
}

# Seeds: LanguageCodes.csv with each shipped language file, after the user's language
# (little-endian; 0x0407 is German).
seed_language() {
  local dir=$build/fuzz_languagecatalogue-corpus
  mkdir -p "$dir"
  for f in "$root"/resources/Languages/*.lang.txt; do
    { printf '\x07\x04'; cat "$root/resources/Languages/LanguageCodes.csv"
      printf '\n@@language file@@\n'; head -c 2000 "$f"; } >"$dir/$(basename "$f")"
  done
}
# Seeds: the resource scripts of the version record tests compiled to .res files, each
# record bare, and as the section of an ELF object, as the program carries it.
seed_versionrecord() {
  local dir=$build/fuzz_versionrecord-corpus
  mkdir -p "$dir"
  local rc name
  for rc in "$root"/tests/base/versionrecord/*.rc "$root/resources/murmlet.rc"; do
    name=$(basename "$rc" .rc)
    [ -s "$dir/$name.res" ] && continue
    x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-P -DRC_INVOKED -O res \
      -i "$rc" -o "$dir/$name.res"
    python3 - "$dir/$name.res" "$dir/$name.record" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
key = 'VS_VERSION_INFO'.encode('utf-16-le')
at = data.find(key)
if at >= 6:
    length = int.from_bytes(data[at - 6:at - 4], 'little')
    open(sys.argv[2], 'wb').write(data[at - 6:at - 6 + length])
PY
    if [ -s "$dir/$name.record" ]; then
      python3 "$root/scripts/version_record.py" "$dir/$name.res" "$build/$name-record.cpp" &&
        clang++ -c "$build/$name-record.cpp" -o "$dir/$name.elf" || rm -f "$dir/$name.elf"
    fi
  done
}
# Seeds: the replies of the update check and window tests, on each road.
seed_reply() {
  python3 "$root/tests/fuzz/test_fixtures.py" reply "$build/fuzz_updatecheck-corpus" >/dev/null
}
# Seeds: the fields of the post, helper and feedback tests.
seed_form() {
  python3 "$root/tests/fuzz/test_fixtures.py" form "$build/fuzz_postform-corpus" >/dev/null
}
# Seeds: a room's states as the school link writes them, its statuses, and a few that the
# window must refuse; each one's first byte picks state (0) or status (1), then the room's
# name in the topic, a NUL and the payload.
seed_room() {
  local dir=$build/fuzz_roommessage-corpus
  mkdir -p "$dir"
  local state='{"alarms":2,"listening":true,"noisy":true,"noisy_seconds":3,"paused":false,'
  state+='"paused_until":null,"peak_dbfs":-23.5,"room":"Room 101","sound_coming_in":true,'
  state+='"threshold":5,"time":"2026-12-11T07:20:01Z","tolerance":4}'
  printf '\x00Room 101\x00%s' "$state" >"$dir/state"
  printf '\x00Lab\x00%s' "${state/-23.5/-96.3}" >"$dir/silent"
  printf '\x00Aula\x00%s' "${state/\"noisy\":true/\"noisy\":1}" >"$dir/wrong-type"
  printf '\x00Gym\x00%s' "${state/-23.5/1e999}" >"$dir/absurd"
  printf '\x00A\xe2\x80\xaeB\x00%s' "$state" >"$dir/override"
  printf '\x01Room 101\x00online' >"$dir/online"
  printf '\x03Room 101\x00offline' >"$dir/offline-retained"
}

# A slot among the side-by-side jobs: waits while all are taken; a failed job fails here.
slot() {
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
}
slot; compile fuzz_inidocument "$root/base/inidocument.cpp" &
slot; compile fuzz_wavsound "$root/monitor/wavsound.cpp" &
slot; compile fuzz_languagecatalogue "$root/localisation/languagecatalogue.cpp" \
  "$root/base/controlcharacters.cpp" &
slot; compile fuzz_versionrecord "$root/base/versionrecord.cpp" &
slot; compile fuzz_updatecheck "$root/update/updatecheck.cpp" "$root/update/checkstate.cpp" \
  "$root/update/webservice.cpp" "$root/update/postform.cpp" "$root/update/postprocess.cpp" \
  "$root/update/systeminfo.cpp" \
  "$root/update/updatestore.cpp" "$root/base/inifile.cpp" "$root/base/inidocument.cpp" \
  "$root/base/controlcharacters.cpp" &
slot; compile fuzz_postform "$root/update/postform.cpp" &
slot; compile fuzz_roommessage "$root/features/schoolview/roommessage.cpp" \
  "$root/features/schoolview/noisyring.cpp" "$root/features/schoolview/schoolrooms.cpp" &
# Every compile must have succeeded.
for pid in $(jobs -p); do wait "$pid"; done

seed_ini
seed_wav
seed_language
seed_versionrecord
seed_reply
seed_form
seed_room

targets=(fuzz_inidocument fuzz_wavsound fuzz_languagecatalogue fuzz_versionrecord
  fuzz_updatecheck fuzz_postform fuzz_roommessage)
fuzz() { # target: its exit status in $build/$target.status
  local target=$1 status=0
  local findings=$build/$target-findings
  mkdir -p "$findings"
  "$build/$target" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$build/$target-corpus" \
    >"$build/$target.log" 2>&1 || status=$?
  echo "$status" >"$build/$target.status"
}
for target in "${targets[@]}"; do
  slot
  fuzz "$target" &
done
wait

failed=0
total=0
for target in "${targets[@]}"; do
  findings=$build/$target-findings
  log=$build/$target.log
  status=$(cat "$build/$target.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n1)
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
