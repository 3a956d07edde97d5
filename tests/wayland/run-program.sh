#!/usr/bin/env bash
# Runs the real program for a few seconds as a client of the compositor that
# with-weston.sh started, then asks it to quit as a desktop session does (SIGTERM):
#   - its main window is mapped: the protocol log (WAYLAND_DEBUG) shows the toplevel
#     with the program's title and the compositor's configure acknowledged;
#   - it stays up until asked, then ends by itself with 0 within five seconds;
#   - it keeps its settings beside it: a copy runs from a folder of its own, with a
#     throwaway HOME, so nothing of the user's is read or written; the settings.ini put
#     there (LF line ends, no byte-order mark) is read and written back in its own form.
# Its update check goes to a loopback port that refuses it: nothing leaves the machine.
# Usage: with-weston.sh bash run-program.sh PROGRAM
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"
program=$1
[ -n "${WAYLAND_DISPLAY:-}" ] || { echo "run it through with-weston.sh" >&2; exit 1; }

run=$(mktemp -d /tmp/murmlet-wayland-run.XXXXXX)
at_exit rm -rf "$run"
cp "$program" "$(dirname "$program")/murmlet-post" "$run/"
mkdir "$run/home"
printf '%s\n' '[Settings]' 'Sound=Beep' 'Tolerance=3' >"$run/settings.ini"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "PASS: $*"; }

started=$(date +%s.%N)
HOME=$run/home ALL_PROXY=http://127.0.0.1:9 WAYLAND_DEBUG=client "$run/murmlet" \
  >"$run/program.out" 2>"$run/program.log" &
pid=$!
kill_at_exit "$pid"

# Mapped: the compositor's first configure of the window acknowledged and a buffer sent.
title='TAMBRIX - Murmlet'
for _ in $(seq 100); do
  grep -q "xdg_toplevel@[0-9]*\.set_title(\"$title\")" "$run/program.log" &&
    grep -q 'xdg_surface@[0-9]*\.ack_configure' "$run/program.log" &&
    grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$run/program.log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
mapped=$(date +%s.%N)
if grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$run/program.log"; then
  pass "the main window \"$title\" was mapped after $(awk -v a="$started" -v b="$mapped" 'BEGIN { printf "%.1f", b - a }') s"
else
  fail "no mapped window titled \"$title\""
fi

sleep 3
if kill -0 "$pid" 2>/dev/null; then
  pass "the program stayed up"
else
  fail "the program ended on its own"
fi

kill -TERM "$pid" 2>/dev/null || true
code=
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || { code=0; wait "$pid" || code=$?; break; }
  sleep 0.1
done
if [ -z "$code" ]; then
  fail "the program did not end within five seconds of SIGTERM"
elif [ "$code" -eq 0 ]; then
  pass "asked to quit (SIGTERM), the program ended with 0"
else
  fail "asked to quit (SIGTERM), the program ended with $code"
fi
if [ "$(head -c 3 "$run/settings.ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
  grep -q $'^Sound=Beep\r$' "$run/settings.ini" && grep -q $'^Tolerance=3\r$' "$run/settings.ini"; then
  pass "settings read from and written back to settings.ini beside the program"
else
  fail "settings.ini beside the program was not read and written back:"
  od -c "$run/settings.ini" | head -n 6
fi
# What the program itself said, without the protocol log.
if grep -v -e '^\[ *[0-9.]*\] ' -e '^ *-> ' "$run/program.log" | grep -q .; then
  echo "--- the program's messages ---"
  grep -v -e '^\[ *[0-9.]*\] ' -e '^ *-> ' "$run/program.log" | head -n 20
fi
[ "$failures" -eq 0 ]
