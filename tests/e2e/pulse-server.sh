#!/usr/bin/env bash
# Starts the private PulseAudio daemon that with-pulse.sh prepared in $MURMLET_PULSE_RUN
# (again, after a test killed it): the virtual microphone and speaker of pa.pa, and a
# low-latency recorder on each null sink, whose process ids go to $run/keepers.
set -euo pipefail
run=${MURMLET_PULSE_RUN:?run me under with-pulse.sh}

pulseaudio -D -n -F "$run/pa.pa" --exit-idle-time=-1 --log-target="file:$run/pa.log" \
  --use-pid-file=no --disallow-exit=no --enable-memfd=no 2>/dev/null

for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null

# An idle null sink works in 2-second blocks; a low-latency recorder on each keeps it
# at about 20 ms, as a real sound card would be.
parec --latency-msec=20 -d micfeed.monitor >/dev/null 2>&1 & echo $! >> "$run/keepers"
parec --latency-msec=20 -d spk.monitor >/dev/null 2>&1 & echo $! >> "$run/keepers"
for _ in $(seq 50); do
  [ "$(pactl list sinks | awk '/Latency:/ && $2<100000' | wc -l)" -ge 2 ] && break
  sleep 0.1
done
