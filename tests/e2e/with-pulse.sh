#!/usr/bin/env bash
# Runs a command beside a private PulseAudio daemon with a virtual microphone and a
# virtual speaker, then stops the daemon again.
#   default source "vmic": fed by playing into the sink "micfeed"
#   default sink   "spk":  record "spk.monitor" to hear what the program played
# Usage: with-pulse.sh command [args...]
set -euo pipefail

run=$(mktemp -d /tmp/murmlet-pulse.XXXXXX)
export XDG_RUNTIME_DIR=$run/xdg
export PULSE_SERVER=unix:$run/xdg/pulse/native
export MURMLET_PULSE_RUN=$run
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir -m 700 "$XDG_RUNTIME_DIR/pulse"

keepers=()
cleanup() {
  local code=$?
  for pid in "${keepers[@]}"; do kill "$pid" 2>/dev/null || true; done
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

pulseaudio -D -n -F "$run/pa.pa" --exit-idle-time=-1 --log-target="file:$run/pa.log" \
  --use-pid-file=no --disallow-exit=no --enable-memfd=no 2>/dev/null

for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null

# An idle null sink works in 2-second blocks; a low-latency recorder on each keeps it
# at about 20 ms, as a real sound card would be.
parec --latency-msec=20 -d micfeed.monitor >/dev/null & keepers+=($!)
parec --latency-msec=20 -d spk.monitor >/dev/null & keepers+=($!)
for _ in $(seq 50); do
  [ "$(pactl list sinks | awk '/Latency:/ && $2<100000' | wc -l)" -ge 2 ] && break
  sleep 0.1
done

"$@"
