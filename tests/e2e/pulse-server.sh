#!/usr/bin/env bash
# Starts, kills or stops the private sound server that with-pulse.sh prepared in
# $MURMLET_PULSE_RUN ($MURMLET_SOUND_SERVER: pulseaudio or pipewire).
#   pulse-server.sh [start]  starts it (again, after a test killed it) with the virtual
#                            microphone and speaker, and a low-latency recorder on each
#                            null sink, whose process ids go to $run/keepers
#   pulse-server.sh kill     kills it at once (SIGKILL), as a crash would
#   pulse-server.sh stop     ends it and its recorders
set -euo pipefail
run=${MURMLET_PULSE_RUN:?run me under with-pulse.sh}
server=${MURMLET_SOUND_SERVER:-pulseaudio}

# The server's own processes, oldest first; their ids go to $run/servers.
kill_servers() {
  local signal=$1
  if [ -f "$run/servers" ]; then
    while read -r pid; do kill "-$signal" "$pid" 2>/dev/null || true; done < "$run/servers"
    # Gone before anything starts again: a new server must not meet the old socket's owner.
    while read -r pid; do
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    done < "$run/servers"
    rm -f "$run/servers"
  fi
}

stop_keepers() {
  if [ -f "$run/keepers" ]; then
    while read -r pid; do kill "$pid" 2>/dev/null || true; done < "$run/keepers"
    rm -f "$run/keepers"
  fi
}

case ${1:-start} in
  kill)
    kill_servers KILL
    stop_keepers
    exit 0
    ;;
  stop)
    stop_keepers
    [ "$server" = pulseaudio ] && { pactl exit 2>/dev/null || true; }
    kill_servers TERM
    exit 0
    ;;
  start) ;;
  *)
    echo "usage: pulse-server.sh [start|kill|stop]" >&2
    exit 2
    ;;
esac

if [ "$server" = pipewire ]; then
  pipewire >>"$run/pipewire.log" 2>&1 & echo $! >> "$run/servers"
  for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
  wireplumber >>"$run/wireplumber.log" 2>&1 & echo $! >> "$run/servers"
  pipewire-pulse >>"$run/pipewire-pulse.log" 2>&1 & echo $! >> "$run/servers"
else
  pulseaudio -n -F "$run/pa.pa" --exit-idle-time=-1 --log-target="file:$run/pulseaudio.log" \
    --use-pid-file=no --disallow-exit=no --enable-memfd=no >/dev/null 2>&1 &
  echo $! >> "$run/servers"
fi

for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null

# The same devices on both servers, made by the same modules.
pactl load-module module-null-sink sink_name=spk rate=44100 channels=1 \
  sink_properties=device.description=Speaker >/dev/null
pactl load-module module-null-sink sink_name=micfeed rate=44100 channels=1 \
  sink_properties=device.description=MicFeed >/dev/null
pactl load-module module-remap-source source_name=vmic master=micfeed.monitor channels=1 \
  source_properties=device.description=VirtualMic >/dev/null
# PipeWire's session manager takes a moment to see new devices before they can become
# the defaults.
for _ in $(seq 50); do
  pactl set-default-sink spk 2>/dev/null && pactl set-default-source vmic 2>/dev/null &&
    [ "$(pactl get-default-source)" = vmic ] && [ "$(pactl get-default-sink)" = spk ] && break
  sleep 0.1
done
[ "$(pactl get-default-source)" = vmic ]

# An idle null sink works in 2-second blocks; a low-latency recorder on each keeps it
# at about 20 ms, as a real sound card would be.
parec --latency-msec=20 -d micfeed.monitor >/dev/null 2>&1 & echo $! >> "$run/keepers"
parec --latency-msec=20 -d spk.monitor >/dev/null 2>&1 & echo $! >> "$run/keepers"
for _ in $(seq 50); do
  [ "$(pactl list sinks | awk '/Latency:/ && $2<100000' | wc -l)" -ge 2 ] && break
  sleep 0.1
done
