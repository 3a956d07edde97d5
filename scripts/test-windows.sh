#!/usr/bin/env bash
# Builds the Windows program (scripts/build-windows.sh) and runs its tests under Wine,
# on an X display of its own and beside the private sound server:
#   - every unit, widget and end-to-end test of the Windows build, through CTest
#     (tests/windows/wine-run.sh is the build's emulator);
#   - the Windows-only checks that need the Wine side too: the machine GUID from the
#     64-bit registry view, the update store read back with "reg query", the settings
#     fall-back with a program folder nobody can write to;
#   - the zipped folder's murmlet.exe starting on its own DLLs alone.
# MURMLET_WINDOWS_SCREENSHOTS=1 also retakes docs/screenshots/windows/.
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
ctest --test-dir "$build" --output-on-failure

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
if [ "${MURMLET_WINDOWS_SCREENSHOTS:-0}" = 1 ]; then
  # From the build folder: only it holds murmlet_screenshots.exe beside murmlet.exe.
  # screenshots.sh brings its own display and sound server; Wine starts again on them.
  echo "Retaking docs/screenshots/windows/..."
  stop_wine
  bash "$root/scripts/screenshots.sh" "$build"
fi
echo "Windows tests passed."
