#!/usr/bin/env bash
# Quits the update check at random moments, many times, against a loopback server that
# accepts connections and never answers. Every run must exit with 0 (the worker ended
# within the exit wait), print no sanitizer report, and leave the update store whole:
# it parses, its run counter went up by at most one, and no temporary file of an
# interrupted write is left beside it.
#   exit-stress.sh PROGRAM [RUNS]   (PROGRAM: murmlet_exitstress, best built with
#                                    -DMURMLET_SANITIZER=address,undefined; RUNS: 300)
set -euo pipefail
program=$1
runs=${2:-300}
work=$(mktemp -d /tmp/murmlet-exitstress.XXXXXX)
server_pid=
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Accepts every connection and keeps it open without a byte in reply; ends with stdin.
mkfifo "$work/keep"
python3 -u -c '
import socket, sys, threading
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(128)
print(listener.getsockname()[1])
held = []
def accept():
    while True:
        held.append(listener.accept()[0])
threading.Thread(target=accept, daemon=True).start()
sys.stdin.read()
' <"$work/keep" >"$work/port" &
server_pid=$!
exec 7>"$work/keep"
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n1 "$work/port")
[ -n "$port" ] || { echo "exit-stress: the silent server did not start" >&2; exit 1; }

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
store=$work/store/updates.ini
mkdir "$work/store"
count=0
start=$(date +%s%N)
for run in $(seq "$runs"); do
  quit=$((RANDOM % 300))
  # Short timeouts let the quit fall after the https attempt too, and after the end.
  timeout=$(((RANDOM % 2) ? 100 : 10000))
  status=0
  "$program" "127.0.0.1:$port" "$store" "$quit" "$timeout" 2>"$work/stderr" || status=$?
  if [ "$status" -ne 0 ] || grep -qE 'Sanitizer|runtime error' "$work/stderr"; then
    echo "exit-stress: run $run (quit after $quit ms, timeouts $timeout ms) exited with $status" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  if [ -e "$store" ]; then
    if ! head -c 15 "$store" | cmp -s - <(printf '\xef\xbb\xbf[Settings]\r\n'); then
      echo "exit-stress: run $run left a store that does not parse" >&2
      exit 1
    fi
    now=$(sed -n 's/^HowMany=\([0-9]*\)\r$/\1/p' "$store")
    if [ -z "$now" ] || [ "$now" -lt "$count" ] || [ "$now" -gt $((count + 1)) ]; then
      echo "exit-stress: run $run: HowMany went from $count to '${now}'" >&2
      exit 1
    fi
    count=$now
  fi
  if [ "$(ls -A "$work/store" | grep -cv '^updates\.ini$')" -ne 0 ]; then
    echo "exit-stress: run $run left a half-written store: $(ls -A "$work/store")" >&2
    exit 1
  fi
done
elapsed=$((($(date +%s%N) - start) / 1000000))
echo "exit-stress: $runs runs, all exited with 0, no sanitizer report, the store whole" \
  "(HowMany $count); $((elapsed / runs)) ms a run"
