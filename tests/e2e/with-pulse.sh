#!/usr/bin/env bash
# Runs a command beside a private PulseAudio daemon with a virtual microphone and a
# virtual speaker, then stops the daemon again. A test that killed the daemon starts it
# again with pulse-server.sh.
#   default source "vmic": fed by playing into the sink "micfeed"
#   default sink   "spk":  record "spk.monitor" to hear what the program played
# Usage: with-pulse.sh command [args...]
set -euo pipefail

run=$(mktemp -d /tmp/murmlet-pulse.XXXXXX)
export XDG_RUNTIME_DIR=$run/xdg
export PULSE_SERVER=unix:$run/xdg/pulse/native
export MURMLET_PULSE_RUN=$run
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir -m 700 "$XDG_RUNTIME_DIR/pulse"

cleanup() {
  local code=$?
  while read -r pid; do kill "$pid" 2>/dev/null || true; done < "$run/keepers" 2>/dev/null || true
  pactl exit 2>/dev/null || true
  for _ in $(seq 30); do pgrep -f "pulseaudio -D -n -F $run/pa.pa" >/dev/null || break; sleep 0.1; done
  pkill -9 -f "pulseaudio -D -n -F $run/pa.pa" 2>/dev/null || true
  [ "$code" -eq 0 ] || { echo "--- pulseaudio log ---"; tail -n 30 "$run/pa.log" 2>/dev/null || true; }
  rm -rf "$run"
  exit "$code"
}
trap cleanup EXIT

cat > "$run/pa.pa" <<PA
load-module module-native-protocol-unix socket=$run/xdg/pulse/native auth-anonymous=1
load-module module-null-sink sink_name=spk rate=44100 channels=1 sink_properties=device.description=Speaker
load-module module-null-sink sink_name=micfeed rate=44100 channels=1 sink_properties=device.description=MicFeed
load-module module-remap-source source_name=vmic master=micfeed.monitor channels=1 source_properties=device.description=VirtualMic
set-default-sink spk
set-default-source vmic
PA

touch "$run/keepers"
bash "$(dirname "${BASH_SOURCE[0]}")/pulse-server.sh"

"$@"
