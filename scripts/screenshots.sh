#!/usr/bin/env bash
# Starts the real program under Xvfb beside a private sound server and saves screenshots
# of the idle window and of the monitoring window hearing noise.
# Usage: scripts/screenshots.sh [build folder] [output folder]
# Given the Windows build (build-windows/), it runs the Windows program under Wine and
# saves into docs/screenshots/windows/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -f "$build/murmlet.exe" ]; then
  default_out=$root/docs/screenshots/windows
else
  default_out=$root/docs/screenshots
fi
out=$(mkdir -p "${2:-$default_out}" && cd "${2:-$default_out}" && pwd)

if [ -z "${MURMLET_PULSE_RUN:-}" ]; then
  exec bash "$root/tests/e2e/with-pulse.sh" bash "${BASH_SOURCE[0]}" "$build" "$out"
fi

# The program's update check goes to a loopback port that refuses it: nothing leaves
# the machine, not even a name lookup.
export ALL_PROXY=http://127.0.0.1:9
display=:97
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
pids=()
trap 'kill "${pids[@]}" "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

if [ -f "$build/murmlet.exe" ]; then
  wine=("$root/tests/windows/wine-run.sh")
  program=("${wine[@]}" "$build/murmlet.exe")
  dialogs=("${wine[@]}" "$build/murmlet_screenshots.exe" "$("${wine[@]}" winepath -w "$out" | tr -d '\r')")
else
  program=("$build/murmlet")
  dialogs=("${dialogs[@]}")
fi
"${program[@]}" & pids+=($!)
wid=$(timeout 120 xdotool search --sync --onlyvisible --name "TAMBRIX - Murmlet" | head -n 1)
sleep 2
import -window "$wid" "$out/idle.png"

# Press "Start Microphone" (the big button under the menu bar), then make some noise.
xdotool mousemove --window "$wid" 200 60 click 1
sox -n -r 44100 -c 1 -b 16 "$MURMLET_PULSE_RUN/noise.wav" synth 20 whitenoise vol 0.4
paplay -d micfeed "$MURMLET_PULSE_RUN/noise.wav" & pids+=($!)
sleep 2.5
import -window "$wid" "$out/monitoring.png"
# The dialogs and the update notice, each as the program builds it.
"${dialogs[@]}"
echo "saved $out: idle, monitoring, feedback, about, language, update-notice, calibrate, session-report"
