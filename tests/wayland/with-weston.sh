#!/usr/bin/env bash
# Runs a command as a client of a private, headless weston (Wayland compositor with the
# desktop shell, no input devices, nothing rendered), then stops weston again:
#   XDG_RUNTIME_DIR  a fresh folder of mode 0700 that holds the compositor's socket; Qt
#                    warns about any other mode, and without the variable falls back to a
#                    /tmp/runtime-<user> folder that every run would share
#   WAYLAND_DISPLAY  that socket's name;  QT_QPA_PLATFORM  wayland;  QT_IM_MODULE  compose
#   MURMLET_WESTON_RUN  the run folder, with weston.log
# DISPLAY is cleared, so nothing falls back to an X server by accident. Any other
# setting (a sound server's PULSE_SERVER, say) passes through unchanged.
# Usage: with-weston.sh command [args...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"

run=$(mktemp -d /tmp/murmlet-weston.XXXXXX)
at_exit rm -rf "$run"
export MURMLET_WESTON_RUN=$run
export XDG_RUNTIME_DIR=$run/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=murmlet-wayland

weston --backend=headless-backend.so --socket="$socket" --width=1024 --height=768 \
  --no-config --idle-time=0 --log="$run/weston.log" >"$run/weston.out" 2>&1 &
weston=$!
stop_weston() {
  kill "$weston" 2>/dev/null || true
  wait "$weston" 2>/dev/null || true
}
at_exit stop_weston

# The socket appears once weston listens; it ends at once when it cannot start.
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  kill -0 "$weston" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$XDG_RUNTIME_DIR/$socket" ]; then
  echo "weston did not start:" >&2
  cat "$run/weston.log" "$run/weston.out" >&2 2>/dev/null || true
  exit 1
fi

export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
# This weston has no seat (no keyboard, no pointer), and Qt 6.4's Wayland text input
# then dereferences the missing seat as soon as a text cursor is painted; a desktop
# always has a seat. Qt's compose input method stands in for it.
export QT_IM_MODULE=compose
unset DISPLAY
code=0
"$@" || code=$?
if [ "$code" -ne 0 ]; then
  echo "--- weston log ---" >&2
  tail -n 30 "$run/weston.log" >&2 || true
fi
exit "$code"
