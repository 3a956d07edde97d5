#!/usr/bin/env bash
# Builds the Windows program (scripts/build-windows.sh) and runs its tests under Wine,
# on an X display of its own and beside the private sound server:
#   - every unit, widget and end-to-end test of the Windows build, through CTest
#     (tests/windows/wine-run.sh is the build's emulator);
#   - the Windows-only checks that need the Wine side too: the machine GUID from the
#     64-bit registry view, the update store read back with "reg query", the settings
#     fall-back with a program folder nobody can write to;
#   - the zipped folder's murmlet.exe starting on its own DLLs alone;
#   - the Windows Installer package signed, installed, upgraded and removed with Wine's
#     msiexec, in a Wine prefix of its own (scripts/windows/test-msi.sh).
# MURMLET_WINDOWS_SCREENSHOTS=1 also retakes docs/screenshots/windows/.
# MURMLET_WINDOWS_TESTS=REGEX runs only the CTest tests matching it, and nothing after.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"
build=${MURMLET_WINDOWS_BUILD:-$root/build-windows}
export MURMLET_WINDOWS_BUILD=$build

bash "$root/scripts/build-windows.sh"

# A fresh Wine prefix for each run, so no registry value of an earlier run is read back.
scratch=$(mktemp -d /tmp/murmlet-wine.XXXXXX)
export MURMLET_WINEPREFIX=$scratch/prefix
wine=("$root/tests/windows/wine-run.sh")
stop_wine() {
  WINEPREFIX=$MURMLET_WINEPREFIX wineserver -k 2>/dev/null || true
}
at_exit rm -rf "$scratch"

# Wine's windows need an X display; one Xvfb serves the whole run. Wine is stopped
# before its display.
start_xvfb 1280x1024x24
at_exit stop_wine

echo "Making the Wine prefix..."
"${wine[@]}" cmd /c exit 0

# What Windows' own "reg" reads from the 64-bit view; the program must read the same.
MURMLET_EXPECTED_MACHINE_GUID=$("${wine[@]}" reg query 'HKLM\SOFTWARE\Microsoft\Cryptography' \
  /v MachineGuid /reg:64 | tr -d '\r' | awk '/MachineGuid/ { print $3 }')
export MURMLET_EXPECTED_MACHINE_GUID
[ -n "$MURMLET_EXPECTED_MACHINE_GUID" ] || { echo "reg query found no MachineGuid" >&2; exit 1; }

# A program folder nobody can write to. Root writes anywhere, but not into /proc.
if [ "$(id -u)" -eq 0 ]; then
  export MURMLET_READONLY_FOLDER='Z:\proc'
else
  mkdir -m 555 "$scratch/readonly"
  export MURMLET_READONLY_FOLDER=$("${wine[@]}" winepath -w "$scratch/readonly" | tr -d '\r')
fi

# The local web server on the Linux side, on loopback, with a certificate that is its own
# authority: the Windows form post reaches it over Schannel and over plain HTTP.
web=$scratch/web
mkdir -p "$web"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
  -subj /CN=localhost -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -keyout "$web/key.pem" -out "$web/cert.pem" 2>/dev/null
printf '{"/php/check2.php": {"body": "Schannel reply \\u00fc"}}' > "$web/replies.json"
web_port=""
start_web_server() { # name [--cert ... --key ...]; sets web_port
  local name=$1; shift
  mkfifo "$web/$name.in"
  python3 "$root/tests/web/webserver.py" --replies "$web/replies.json" --log "$web/log" "$@" \
    < "$web/$name.in" > "$web/$name.port" 2>"$web/$name.stderr" &
  kill_at_exit $!
  exec {keep}> "$web/$name.in" # the server runs until this script ends
  for _ in $(seq 100); do [ -s "$web/$name.port" ] && break; sleep 0.1; done
  web_port=$(head -n 1 "$web/$name.port")
  [ -n "$web_port" ] || { cat "$web/$name.stderr" >&2; exit 1; }
}
start_web_server tls --cert "$web/cert.pem" --key "$web/key.pem"
# By name: the Schannel road of this libcurl matches names, not addresses.
MURMLET_TLS_BASE=https://localhost:$web_port
start_web_server plain
MURMLET_PLAIN_BASE=http://127.0.0.1:$web_port
MURMLET_TLS_CA=$("${wine[@]}" winepath -w "$web/cert.pem" | tr -d '\r')
export MURMLET_TLS_BASE MURMLET_PLAIN_BASE MURMLET_TLS_CA

echo "Running the Windows tests under Wine..."
if [ -n "${MURMLET_WINDOWS_TESTS:-}" ]; then
  ctest --test-dir "$build" --output-on-failure -R "$MURMLET_WINDOWS_TESTS"
  echo "Only the Windows tests matching $MURMLET_WINDOWS_TESTS were run."
  exit 0
fi
# Side by side, as on Linux; a test that meets the sound server or the machine's policy
# runs alone (RUN_SERIAL).
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

echo "Reading the update store back from the registry..."
stored=$("${wine[@]}" reg query 'HKCU\Software\TAMBRIX\MurmletRegistryTest\Settings' /v LastCheck |
  tr -d '\r' | awk '/LastCheck/ { print $3 }')
[ "$stored" = "10/12/2026" ] || { echo "reg query read \"$stored\"" >&2; exit 1; }

echo "Starting the zipped folder's murmlet.exe..."
dist_name=$(windows_dist_name)
unpacked=$scratch/unpacked
mkdir -p "$unpacked" && (cd "$unpacked" && cmake -E tar xf "$build/$dist_name.zip")
export ALL_PROXY=http://127.0.0.1:9 # its update check meets a closed loopback port
"${wine[@]}" "$unpacked/$dist_name/murmlet.exe" & program=$!
kill_at_exit "$program"
if ! timeout 60 xdotool search --sync --onlyvisible --name "TAMBRIX - Murmlet" >/dev/null; then
  echo "The window of murmlet.exe did not appear" >&2
  exit 1
fi
kill "$program" 2>/dev/null || true

# The school link of the zipped folder's program: its module, libmosquitto and OpenSSL
# reach the broker of tests/school/engines.sh over TLS, with the room's password from
# Wine's Credential Manager; killed, the room's Last Will says offline.
echo "The school link from the zipped folder's murmlet.exe..."
. "$root/tests/school/engines.sh"
school_engines_start
room=$scratch/room
cp -r "$unpacked/$dist_name" "$room"
ca=$("${wine[@]}" winepath -w "$MURMLET_SCHOOL_CA" | tr -d '\r')
printf '[Settings]\r\nAutoStartMicrophone=ON\r\n\r\n[SchoolLink]\r\nEnabled=ON\r\nHost=127.0.0.1\r\nPort=%s\r\nCaFile=%s\r\nUser=Room-101\r\nRoom=Room-101\r\n' \
  "$MURMLET_SCHOOL_TLS_PORT" "$ca" >"$room/settings.ini"
printf '%s\n' "$MURMLET_SCHOOL_ROOM_A_PASSWORD" |
  "${wine[@]}" "$build/murmlet-store-secret.exe" "school-link:Room-101@127.0.0.1:$MURMLET_SCHOOL_TLS_PORT"
subscribe() { # TOPIC: the first message, retained or new, within 40 s
  mosquitto_sub -h 127.0.0.1 -p "$MURMLET_SCHOOL_TLS_PORT" --cafile "$MURMLET_SCHOOL_CA" \
    -u reader -P "$MURMLET_SCHOOL_READER_PASSWORD" -t "$1" -C 1 -W 40
}
"${wine[@]}" "$room/murmlet.exe" & program=$!
kill_at_exit "$program"
state=$(subscribe murmlet/Room-101/state)
python3 -c 'import json, sys; s = json.loads(sys.argv[1]); assert s["room"] == "Room-101" and s["listening"], s' "$state" ||
  { echo "no state from the Windows program: $state" >&2; exit 1; }
# Online, or online again within a few seconds should the first connection drop.
for _ in $(seq 30); do
  [ "$(subscribe murmlet/Room-101/status)" = online ] && break
  sleep 0.5
done
[ "$(subscribe murmlet/Room-101/status)" = online ] || { echo "the room is not online" >&2; exit 1; }
echo "  state from Windows: $state"
"${wine[@]}" taskkill /F /IM murmlet.exe >/dev/null 2>&1 || true
for _ in $(seq 100); do
  [ "$(subscribe murmlet/Room-101/status)" = offline ] && break
  sleep 0.2
done
[ "$(subscribe murmlet/Room-101/status)" = offline ] ||
  { echo "the killed Windows room's Last Will did not say offline" >&2; exit 1; }
echo "  killed, the Windows room's Last Will says offline"

echo "The Windows Installer package..."
# Beside a sound server of its own, so that the installed program hears the virtual
# microphone, and beside the school's broker, started above.
bash "$root/tests/e2e/with-pulse.sh" bash "$root/scripts/windows/test-msi.sh" "$build/$dist_name"

if [ "${MURMLET_WINDOWS_SCREENSHOTS:-0}" = 1 ]; then
  # From the build folder: only it holds murmlet_screenshots.exe beside murmlet.exe.
  # screenshots.sh brings its own display and sound server; Wine starts again on them.
  echo "Retaking docs/screenshots/windows/..."
  stop_wine
  bash "$root/scripts/screenshots.sh" "$build"
fi
echo "Windows tests passed."
