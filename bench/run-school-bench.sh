#!/usr/bin/env bash
# The School window at scale: a private Mosquitto on 127.0.0.1 (no TLS, anonymous: the
# bench measures the window and the broker, not the handshakes), the window on an Xvfb
# display through the X11 plugin as users run it, and murmlet-school-load publishing as N
# rooms, one state a second each. For each N prints the window's share of one core and
# resident memory, the broker's share of one core, the rooms' (the load programs') share,
# and the delay from publish to repaint, median and 99th percentile.
# Builds nothing: build murmlet_school_watch first (ninja -C build murmlet_school_watch).
# Usage: bench/run-school-bench.sh [build-folder] [--rooms "100 1000 5000"]
#                                  [--warmup S] [--seconds S]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
. "$root/tests/school/engines.sh"
build=$root/build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
counts="100 1000 5000" warmup=10 seconds=30
while [ $# -gt 0 ]; do
  case $1 in
    --rooms) counts=$2 ;;
    --warmup) warmup=$2 ;;
    --seconds) seconds=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
watch=$build/bench/murmlet_school_watch
load=$build/tests/school/murmlet-school-load
for program in "$watch" "$load"; do
  if [ ! -x "$program" ]; then
    echo "no $program: build it first (ninja -C $build murmlet_school_watch)" >&2
    exit 2
  fi
done
export MURMLET_LINK_MODULE=$build/murmlet-link.so
ulimit -n "$(ulimit -Hn)"

work=$(mktemp -d /tmp/murmlet-school-bench.XXXXXX)
at_exit rm -rf "$work"
port=$(school_free_port)
cat >"$work/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous true
persistence false
max_queued_messages 10000
user $(id -un)
log_dest file $work/mosquitto.log
CONF
mosquitto -c "$work/mosquitto.conf" &
broker=$!
kill_at_exit "$broker"
start_xvfb 1280x800x24
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

# utime + stime of a process, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

printf '%-6s %-9s %-10s %-9s %-10s %-9s %-11s %-11s %s\n' rooms msg/s window% window-MB \
  broker% rooms% p50-ms p99-ms samples
for n in $counts; do
  QT_QPA_PLATFORM=xcb "$watch" --port "$port" --warmup "$warmup" --seconds "$seconds" \
    >"$work/watch.out" 2>"$work/watch.err" &
  watcher=$!
  # The rooms in two processes, one for each of this machine's cores.
  loaders=()
  half=$(((n + 1) / 2))
  for first in 1 $((half + 1)); do
    "$load" --port "$port" --rooms $((first == 1 ? half : n - half)) --first "$first" \
      >>"$work/load.out" 2>>"$work/load.err" &
    loaders+=($!)
  done
  for _ in $(seq 600); do
    grep -q measuring "$work/watch.out" && break
    kill -0 "$watcher" 2>/dev/null || break
    sleep 0.1
  done
  before=$(ticks "$broker")
  load_before=0
  for pid in "${loaders[@]}"; do load_before=$((load_before + $(ticks "$pid"))); done
  started=$(date +%s.%N)
  wait "$watcher" || { cat "$work/watch.err" >&2; exit 1; }
  after=$(ticks "$broker")
  load_after=0
  for pid in "${loaders[@]}"; do load_after=$((load_after + $(ticks "$pid"))); done
  ended=$(date +%s.%N)
  kill "${loaders[@]}"
  wait "${loaders[@]}" 2>/dev/null || true
  offline=$(grep -c offline "$work/load.err" || true)
  [ "$offline" = 0 ] || echo "  ($offline times a room went offline: see $work/load.err)"
  python3 - "$work/watch.out" "$before" "$after" "$load_before" "$load_after" "$started" \
    "$ended" "$hz" <<'PY'
import json, sys
out, before, after, load_before, load_after, started, ended, hz = sys.argv[1:]
row = json.loads([l for l in open(out) if l.startswith("{")][-1])
seconds = float(ended) - float(started)
broker = 100.0 * (int(after) - int(before)) / int(hz) / seconds
load = 100.0 * (int(load_after) - int(load_before)) / int(hz) / seconds
print(f"{row['rooms']:<6} {row['messages_per_s']:<9.0f} {row['cpu_percent']:<10.1f} "
      f"{row['rss_mb']:<9.1f} {broker:<10.1f} {load:<9.1f} {row['delay_p50_ms']:<11.0f} "
      f"{row['delay_p99_ms']:<11.0f} {row['delays']}")
PY
  sleep 2 # the broker lets the rooms go
done
