#!/usr/bin/env bash
# Runs a command beside a private sound server that speaks the PulseAudio protocol, with
# a virtual microphone and a virtual speaker, then stops the server again:
#   MURMLET_SOUND_SERVER=pulseaudio (the default)  PulseAudio itself
#   MURMLET_SOUND_SERVER=pipewire                  PipeWire, WirePlumber and pipewire-pulse,
#                                                  as Debian's and Ubuntu's desktops run them
# Both get the same devices through the same modules (pulse-server.sh):
#   default source "vmic": fed by playing into the sink "micfeed"
#   default sink   "spk":  record "spk.monitor" to hear what the program played
# A test kills the server with "pulse-server.sh kill" and starts it again with
# "pulse-server.sh".
# Usage: with-pulse.sh command [args...]
set -euo pipefail

server=${MURMLET_SOUND_SERVER:-pulseaudio}
case $server in pulseaudio | pipewire) ;; *)
  echo "MURMLET_SOUND_SERVER is pulseaudio or pipewire, not '$server'" >&2
  exit 2
  ;;
esac
export MURMLET_SOUND_SERVER=$server
run=$(mktemp -d /tmp/murmlet-pulse.XXXXXX)
export XDG_RUNTIME_DIR=$run/xdg
export PULSE_SERVER=unix:$run/xdg/pulse/native
export MURMLET_PULSE_RUN=$run
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir -m 700 "$XDG_RUNTIME_DIR/pulse"

cleanup() {
  local code=$?
  bash "$(dirname "${BASH_SOURCE[0]}")/pulse-server.sh" stop || true
  [ -f "$run/dbus.pid" ] && { kill "$(cat "$run/dbus.pid")" 2>/dev/null || true; }
  if [ "$code" -ne 0 ]; then
    for log in "$run"/*.log; do
      [ -f "$log" ] && { echo "--- $(basename "$log") ---"; tail -n 30 "$log"; }
    done
  fi
  rm -rf "$run"
  exit "$code"
}
trap cleanup EXIT

if [ "$server" = pipewire ]; then
  # WirePlumber, which routes streams and keeps the defaults, needs a session bus: a
  # private one, so that nothing of the machine's desktop is touched.
  dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$run/dbus.address" 4>"$run/dbus.pid"
  DBUS_SESSION_BUS_ADDRESS=$(cat "$run/dbus.address")
  export DBUS_SESSION_BUS_ADDRESS
  # PipeWire's own socket beside the PulseAudio one, never the machine's; WirePlumber's
  # remembered volumes and defaults start afresh every run and stay in it.
  export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
  export XDG_STATE_HOME=$run/state
else
  cat > "$run/pa.pa" <<PA
load-module module-native-protocol-unix socket=$run/xdg/pulse/native auth-anonymous=1
PA
fi

bash "$(dirname "${BASH_SOURCE[0]}")/pulse-server.sh"

"$@"
