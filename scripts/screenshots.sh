#!/usr/bin/env bash
# Starts the real program under Xvfb beside a private sound server and saves screenshots
# of the idle window and of the monitoring window hearing noise, then the dialogs and the
# update notice through murmlet_screenshots.
# Usage: scripts/screenshots.sh [build folder] [output folder]
# Given the Windows build (build-windows/), it runs the Windows program under Wine and
# saves into docs/screenshots/windows/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
build=$(cd "${1:-$root/build}" && pwd)
if [ -f "$build/murmlet.exe" ]; then
  windows=1
  default_out=$root/docs/screenshots/windows
else
  windows=0
  default_out=$root/docs/screenshots
fi
out=$(mkdir -p "${2:-$default_out}" && cd "${2:-$default_out}" && pwd)

if [ "$windows" = 1 ]; then
  wine=("$root/tests/windows/wine-run.sh")
  program=("${wine[@]}" "$build/murmlet.exe")
  dialogs_program=$build/murmlet_screenshots.exe
else
  program=("$build/murmlet")
  dialogs_program=$build/tests/screens/murmlet_screenshots
fi
for f in "${program[-1]}" "$dialogs_program"; do
  [ -f "$f" ] || { echo "no $f: build it first" >&2; exit 1; }
done

rerun_with_pulse "$build" "$out"

# The program's update check goes to a loopback port that refuses it: nothing leaves
# the machine, not even a name lookup.
export ALL_PROXY=http://127.0.0.1:9
start_xvfb 1024x768x24

if [ "$windows" = 1 ]; then
  dialogs=("${wine[@]}" "$dialogs_program" "$("${wine[@]}" winepath -w "$out" | tr -d '\r')")
else
  dialogs=("$dialogs_program" "$out")
fi
"${program[@]}" & kill_at_exit $!
wid=$(timeout 120 xdotool search --sync --onlyvisible --name "TAMBRIX - Murmlet" | head -n 1)
sleep 2
import -window "$wid" "$out/idle.png"

# Press "Start Microphone" (the big button under the menu bar), then make some noise.
xdotool mousemove --window "$wid" 200 60 click 1
sox -n -r 44100 -c 1 -b 16 "$MURMLET_PULSE_RUN/noise.wav" synth 20 whitenoise vol 0.4
paplay -d micfeed "$MURMLET_PULSE_RUN/noise.wav" & kill_at_exit $!
sleep 2.5
import -window "$wid" "$out/monitoring.png"
# The dialogs and the update notice, each as the program builds it.
"${dialogs[@]}"
echo "saved $out: idle, monitoring, feedback, about, language, update-notice, calibrate, session-report, lesson-times, class-display-{quiet,noisy,alarm,paused}"
