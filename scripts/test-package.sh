#!/usr/bin/env bash
# Builds the Debian package, installs it with apt and tries the installed program as a
# user meets it, then removes the package and checks that nothing of it remains:
#   - hearing: started offscreen beside the private sound server, with settings that start
#     the microphone at once and beep after one noisy second, the program stays silent in
#     a quiet room and beeps on the speaker once noise is played into the microphone;
#   - settings: the program folder is not writable, so they are read from and written
#     back to ~/.config/TAMBRIX/Murmlet/settings.ini (a throwaway HOME);
#   - language: under a German display language the About box carries the German caption
#     of the installed Languages/German.lang.txt (shown under Xvfb, found by its title);
#   - removal: `apt-get remove --purge` leaves none of the package's files, nor the
#     settings a run as root keeps beside the program.
# apt needs root or sudo. Run as root, the program itself runs as the user "nobody":
# root could write beside the program, which no user of the package can.
# Usage: scripts/test-package.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
build=$(cd "${1:-${MURMLET_BUILD:-$root/build}}" && pwd)

if [ -z "${MURMLET_PULSE_RUN:-}" ]; then
  bash "$root/scripts/package.sh" "$build"
  echo "Installing the package and trying the installed program (about half a minute)..."
fi
rerun_with_pulse "$build"

deb=$(ls "$build"/murmlet_*_*.deb)
run=$MURMLET_PULSE_RUN
passes=0
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() {
  echo "PASS: $*"
  passes=$((passes + 1))
}

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
apt_get() {
  apt_as_root -y -qq "$@" >"$run/apt.log" 2>&1 || { cat "$run/apt.log"; return 1; }
}

# The user's own folders, and a way through to the sound server's socket.
home=$run/home
mkdir -p "$home" "$run/user-runtime"
chmod 700 "$run/user-runtime"
if [ ${#as_user[@]} -gt 0 ]; then
  chown nobody:nogroup "$home" "$run/user-runtime"
  chmod o+x "$run" "$run/xdg" "$run/xdg/pulse"
fi

# Registered first, so it runs last: after every process started below has been ended.
installed=no
remove_package() {
  if [ "$installed" = yes ]; then apt_get remove --purge murmlet || true; fi
}
at_exit remove_package

if dpkg-query -W -f='${Status}' murmlet 2>/dev/null | grep -q 'install ok installed'; then
  echo "note: the murmlet package already installed here is replaced, then removed"
fi
apt_get install --no-install-recommends "$deb"
installed=yes
dpkg -L murmlet >"$run/files.txt"
echo "installed $(basename "$deb"): $(dpkg-query -W -f='${Depends}' murmlet)"

# Starts the installed program as the user; extra arguments are environment settings.
# Its update check goes to a loopback port that refuses it: nothing leaves the machine.
start_program() {
  env HOME="$home" XDG_RUNTIME_DIR="$run/user-runtime" ALL_PROXY=http://127.0.0.1:9 "$@" \
    "${as_user[@]}" /usr/bin/murmlet >>"$run/program.log" 2>&1 &
  program=$!
  kill_at_exit "$program"
}
stop_program() {
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
}

# Seconds of sound louder than an RMS of 300 in a raw recording of the speaker.
loud_seconds() {
  python3 - "$1" <<'PY'
import array, math, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
window = 441  # 10 ms
loud = sum(1 for i in range(0, len(samples) - window + 1, window)
           if math.sqrt(sum(s * s for s in samples[i:i + window]) / window) > 300)
print(f"{loud / 100:.2f}")
PY
}
record_speaker() {
  parec --latency-msec=20 -d spk.monitor --format=s16le --rate=44100 --channels=1 >"$1" &
  recorder=$!
  kill_at_exit "$recorder"
}
stop_recording() {
  kill "$recorder" 2>/dev/null || true
  wait "$recorder" 2>/dev/null || true
}

# The helper that posts for the program lies beside it, and only the helper links the
# web client.
[ -x /usr/lib/murmlet/murmlet-post ] || { echo "no /usr/lib/murmlet/murmlet-post" >&2; exit 1; }
if ldd /usr/lib/murmlet/murmlet | grep -q libcurl; then
  echo "the installed program links libcurl itself" >&2
  exit 1
fi

# --- hearing and settings ------------------------------------------------------------
settings_folder=$home/.config/TAMBRIX/Murmlet
mkdir -p "$settings_folder"
# Written as another editor would: no byte-order mark, LF line ends, a comment line.
printf '%s\n' '; prepared by the package test' '[Settings]' 'AutoStartMicrophone=ON' \
  'Sound=Beep' 'Tolerance=1' >"$settings_folder/settings.ini"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$home/.config"

record_speaker "$run/quiet.raw"
start_program QT_QPA_PLATFORM=offscreen
sleep 3
stop_recording
quiet=$(loud_seconds "$run/quiet.raw")

sox -n -r 44100 -c 1 -b 16 "$run/noise.wav" synth 6 whitenoise vol 0.5
record_speaker "$run/noisy.raw"
paplay -d micfeed "$run/noise.wav"
sleep 0.5
stop_recording
noisy=$(loud_seconds "$run/noisy.raw")
running=no
kill -0 "$program" 2>/dev/null && running=yes
stop_program

if [ "$running" = no ]; then
  fail "the installed program ended early"
elif awk -v q="$quiet" 'BEGIN { exit !(q == 0) }'; then
  pass "quiet room: no sound from the installed program"
else
  fail "quiet room: the installed program played ${quiet} s of sound"
fi
# Tolerance 1 over six noisy seconds: an alarm every one or two seconds.
if awk -v n="$noisy" 'BEGIN { exit !(n >= 0.5) }'; then
  pass "noise in the microphone: the installed program beeped (${noisy} s of sound)"
else
  fail "noise in the microphone: the installed program stayed silent (${noisy} s of sound)"
fi

# Restoring Sound=Beep writes the file back whole: mark, CR LF, no comment.
ini=$settings_folder/settings.ini
if [ "$(head -c 3 "$ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
  grep -q $'^Sound=Beep\r$' "$ini" && ! grep -q 'package test' "$ini"; then
  pass "settings read from and written to ~/.config/TAMBRIX/Murmlet/settings.ini"
else
  fail "settings were not written back to ~/.config/TAMBRIX/Murmlet/settings.ini:"
  od -c "$ini" | head -n 8
fi
if [ -e /usr/lib/murmlet/settings.ini ]; then
  fail "settings.ini was written beside the installed program"
fi

# --- German dialogs from the installed Languages/ --------------------------------------
german=$(sed -n 's/^{About %s}//p' /usr/lib/murmlet/Languages/German.lang.txt | tr -d '\r')
german=${german//%s/Murmlet}
start_xvfb 1024x768x24
rm -f "$settings_folder/settings.ini"
start_program LANGUAGE=de LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
if [ -z "$german" ]; then
  fail "the installed Languages/German.lang.txt has no caption for the About box"
elif wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^TAMBRIX - Murmlet$' | head -n 1) &&
  [ -n "$wid" ]; then
  # Open the first menu (File), move right past Settings and View to Help, choose &About; on a
  # busy machine a key may beat the menu, so the whole road is tried again from a closed menu.
  titles=
  for _ in 1 2 3; do
    sleep 1
    xdotool mousemove --window "$wid" 12 10 click 1
    sleep 0.5
    xdotool key Right Right Right
    sleep 0.5
    xdotool key a
    # Titles are compared as text: xdotool's own pattern match misses non-ASCII titles.
    for _ in $(seq 25); do
      titles=$(xdotool search --onlyvisible --name Murmlet getwindowname %@ 2>/dev/null || true)
      grep -Fxq "$german" <<<"$titles" && break 2
      sleep 0.2
    done
    xdotool key Escape Escape Escape
  done
  if grep -Fxq "$german" <<<"$titles"; then
    pass "German display language: the About box is titled \"${german}\""
  else
    fail "German display language: no window titled \"${german}\"; windows: ${titles//$'\n'/, }"
  fi
else
  fail "the installed program showed no window under Xvfb"
fi
stop_program

# --- removal -------------------------------------------------------------------------
# Run by root, the program may write beside itself (here: it writes a stored Sound back);
# a purge takes that along too.
if [ ${#as_user[@]} -gt 0 ]; then
  printf '[Settings]\nSound=Beep\n' >/usr/lib/murmlet/settings.ini
  as_user=()
  start_program QT_QPA_PLATFORM=offscreen
  sleep 2
  stop_program
fi
apt_get remove --purge murmlet
installed=no
left=()
while IFS= read -r path; do
  # Folders shared with other packages (/usr/share/icons/...) stay; files and links go.
  if [ -L "$path" ] || { [ -e "$path" ] && ! [ -d "$path" ]; }; then left+=("$path"); fi
done <"$run/files.txt"
[ -e /usr/lib/murmlet ] && left+=(/usr/lib/murmlet)
status=$(dpkg-query -W -f='${Status}' murmlet 2>/dev/null || true)
if [ -n "$status" ] && [[ $status != *not-installed ]]; then
  left+=("the package's record in dpkg ($status)")
fi
if [ ${#left[@]} -eq 0 ]; then
  pass "removed: none of the $(wc -l <"$run/files.txt") paths of the package remains"
else
  fail "left after removal: ${left[*]}"
fi

if [ "$failures" -gt 0 ]; then
  echo "--- program output ---"
  tail -n 20 "$run/program.log" || true
fi
echo "package test: ${passes} checks passed, ${failures} checks failed"
[ "$failures" -eq 0 ]
