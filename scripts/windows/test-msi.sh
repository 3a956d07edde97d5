#!/usr/bin/env bash
# The Windows Installer package under Wine, in a Wine prefix and on an X display of its
# own, from signing to uninstalling:
#   test-msi.sh [FOLDER]
# FOLDER is the Windows program's folder (default build-windows/murmlet-<version>-windows-x64);
# it is copied, never changed. Each step prints a line of transcript.
#   1. a throwaway code-signing authority and certificate sign our programs and the
#      package; osslsigncode verifies them against that authority and rejects an
#      unsigned and an altered file;
#   2. msiexec /i /qn: every file in C:\Program Files\TAMBRIX\Murmlet, the Start-menu
#      shortcut to murmlet.exe, one entry in Apps & features (version, publisher, icon);
#   3. the installed murmlet.exe keeps a changed setting in %APPDATA%\TAMBRIX\Murmlet,
#      not beside itself;
#   4. a rebuilt package of the same version replaces it, a later version too (one
#      entry, the new version, settings.ini untouched), and the earlier one is refused;
#   5. msiexec /x /qn: no file, shortcut or entry left; settings.ini still there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"
build=${MURMLET_WINDOWS_BUILD:-$root/build-windows}
source_folder=$(cd "${1:-$build/$(windows_dist_name)}" && pwd)
[ -f "$source_folder/murmlet.exe" ] || { echo "no murmlet.exe in $source_folder" >&2; exit 1; }

scratch=$(mktemp -d /tmp/murmlet-msi-test.XXXXXX)
at_exit rm -rf "$scratch"
export MURMLET_WINEPREFIX=$scratch/prefix
wine=("$root/tests/windows/wine-run.sh")
start_xvfb 1280x1024x24
at_exit env WINEPREFIX="$MURMLET_WINEPREFIX" wineserver -k

started=$SECONDS
step() { printf '[%4ss] %s\n' "$((SECONDS - started))" "$*"; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
windows_path() { "${wine[@]}" winepath -w "$1" | tr -d '\r'; }
unix_path() { "${wine[@]}" winepath -u "$1" | tr -d '\r'; }
msiexec() { # ARGS...: msiexec's exit code, its output kept for a failure
  local code=0
  "${wine[@]}" msiexec "$@" >"$scratch/msiexec.log" 2>&1 || code=$?
  return "$code"
}
# The product entries of Apps & features named Murmlet, one line each:
# key <TAB> DisplayVersion <TAB> Publisher <TAB> DisplayIcon
murmlet_entries() {
  "${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 |
    tr -d '\r' | awk -F '    ' '
      function flush() { if (name == "Murmlet") print key "\t" version "\t" publisher "\t" icon }
      /^HKEY_/ { flush(); key = $0; name = version = publisher = icon = ""; next }
      $2 == "DisplayName" { name = $4 }
      $2 == "DisplayVersion" { version = $4 }
      $2 == "Publisher" { publisher = $4 }
      $2 == "DisplayIcon" { icon = $4 }
      END { flush() }'
}
expect_one_entry() { # VERSION
  local entries
  entries=$(murmlet_entries)
  [ "$(grep -c . <<<"$entries")" -eq 1 ] || fail "Apps & features holds not one Murmlet: ${entries:-none}"
  IFS=$'\t' read -r entry_key entry_version entry_publisher entry_icon <<<"$entries"
  [ "$entry_version" = "$1" ] || fail "Apps & features says version $entry_version, not $1"
  [ "$entry_publisher" = TAMBRIX ] || fail "Apps & features says publisher \"$entry_publisher\""
  [ "$entry_icon" = 'C:\Program Files\TAMBRIX\Murmlet\murmlet.exe,0' ] ||
    fail "Apps & features shows the icon \"$entry_icon\""
}

# --- 1. signing ------------------------------------------------------------------------
keys=$scratch/keys
mkdir -p "$keys"
openssl req -x509 -newkey rsa:3072 -nodes -days 2 -subj "/CN=Murmlet throwaway signing CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$keys/ca.key" -out "$keys/ca.pem" 2>/dev/null
openssl req -newkey rsa:3072 -passout pass:throwaway -subj "/CN=TAMBRIX test signing/O=TAMBRIX" \
  -keyout "$keys/sign.key" -out "$keys/sign.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >"$keys/sign.ext"
openssl x509 -req -in "$keys/sign.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial \
  -days 2 -extfile "$keys/sign.ext" -out "$keys/sign.pem" 2>/dev/null
export MURMLET_SIGN_CERT=$keys/sign.pem MURMLET_SIGN_KEY=$keys/sign.key
export MURMLET_SIGN_KEY_PASSWORD=throwaway
step "a throwaway code-signing CA and certificate (extendedKeyUsage=codeSigning, key with a password)"

program=$scratch/program
cp -r "$source_folder" "$program"
bash "$root/scripts/windows/sign.sh" "$program" | sed 's/^/         /'
verify() { # FILE: true when its signature holds against the throwaway authority
  osslsigncode verify -CAfile "$keys/ca.pem" -in "$1" >"$scratch/verify.log" 2>&1
}
verified() { # FILE: the verification's summary for the transcript
  verify "$1" || { cat "$scratch/verify.log" >&2; fail "$(basename "$1"): the signature does not verify"; }
  local description url
  description=$(sed -n 's/^[[:space:]]*Text description: //p' "$scratch/verify.log")
  url=$(sed -n 's/^[[:space:]]*URL description: //p' "$scratch/verify.log")
  [ "$description" = Murmlet ] || fail "$(basename "$1") is signed as \"$description\""
  echo "SHA256, \"$description\", $url, signer $(sed -n 's/^[[:space:]]*Subject: //p' "$scratch/verify.log" | head -n 1)"
}
step "murmlet.exe verifies: $(verified "$program/murmlet.exe")"
[ ! -f "$program/murmlet-link.dll" ] ||
  step "murmlet-link.dll verifies: $(verified "$program/murmlet-link.dll")"
osslsigncode remove-signature -in "$program/murmlet.exe" -out "$scratch/unsigned.exe" >/dev/null
verify "$scratch/unsigned.exe" && fail "the unsigned murmlet.exe verifies"
cp "$program/murmlet.exe" "$scratch/altered.exe"
printf 'X' | dd of="$scratch/altered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
verify "$scratch/altered.exe" && fail "an altered murmlet.exe still verifies"
step "the unsigned and an altered murmlet.exe are rejected"

packages=$scratch/packages
mkdir -p "$packages"
make_package() { # VERSION FILE: a signed package of the signed program, version VERSION
  MURMLET_MSI_VERSION=$1 bash "$root/scripts/windows/make-msi.sh" "$program" "$2" >/dev/null
  bash "$root/scripts/windows/sign.sh" "$program" "$2" >/dev/null
}
first=$packages/murmlet-1.1-windows-x64.msi
make_package 1.1.0 "$first"
step "$(basename "$first") ($(stat -c %s "$first") bytes) verifies: $(verified "$first")"

# --- 2. installing ---------------------------------------------------------------------
"${wine[@]}" cmd /c exit 0 # makes the prefix
installed=$(unix_path 'C:\Program Files\TAMBRIX\Murmlet')
appdata=$(unix_path "$("${wine[@]}" cmd /c echo %APPDATA% | tr -d '\r')")
program_data=$(unix_path "$("${wine[@]}" cmd /c echo %ProgramData% | tr -d '\r')")
msiexec /i "$(windows_path "$first")" /qn || fail "msiexec /i ended with $?"
step "msiexec /i $(basename "$first") /qn: done"

files=$(cd "$program" && find . -type f | sed 's|^\./||' | sort)
same_files() { # true when every file of the program's folder is installed, byte for byte
  local file
  while IFS= read -r file; do
    cmp -s "$program/$file" "$installed/$file" || { echo "differs: $file" >&2; return 1; }
  done <<<"$files"
}
same_files || fail "C:\\Program Files\\TAMBRIX\\Murmlet is not the program's folder"
extra=$(cd "$installed" && find . -type f | sed 's|^\./||' | sort | comm -13 <(echo "$files") -)
[ "$extra" = chk.tmp ] || fail "installed beyond the program's folder: ${extra//$'\n'/ }"
[ ! -s "$installed/chk.tmp" ] && [ "$(stat -c %A "$installed/chk.tmp" | tr -d -- '-rx')" = "" ] ||
  fail "chk.tmp is not an empty read-only file"
step "C:\\Program Files\\TAMBRIX\\Murmlet holds all $(grep -c . <<<"$files") files of the folder, same bytes, and the empty read-only chk.tmp:"
(cd "$installed" && find . -type f -printf '%P %s\n' | sort | sed 's/^/         /')

# Per machine, Windows puts the shortcut in the common Start menu; Wine 8 uses the
# user's (its msi takes ProgramMenuFolder from CSIDL_PROGRAMS even with ALLUSERS=1).
shortcut=""
for menu in "$program_data/Microsoft/Windows/Start Menu/Programs" \
  "$appdata/Microsoft/Windows/Start Menu/Programs"; do
  [ -f "$menu/Murmlet.lnk" ] && shortcut="$menu/Murmlet.lnk"
done
[ -n "$shortcut" ] || fail "no Murmlet.lnk in the Start menu"
target=$(python3 "$root/tests/windows/lnk_target.py" "$shortcut")
[ "$(head -n 1 <<<"$target")" = 'C:\Program Files\TAMBRIX\Murmlet\murmlet.exe' ] ||
  fail "the shortcut points to $target"
step "Start menu: $(windows_path "$shortcut") -> ${target//$'\n'/, }"

expect_one_entry 1.1.0
step "Apps & features: $entry_key"
step "  DisplayVersion $entry_version, Publisher $entry_publisher, DisplayIcon $entry_icon"

# --- 3. the installed program's settings -----------------------------------------------
settings=$appdata/TAMBRIX/Murmlet/settings.ini
export ALL_PROXY=http://127.0.0.1:9 # its update check meets a closed loopback port
"${wine[@]}" 'C:\Program Files\TAMBRIX\Murmlet\murmlet.exe' >"$scratch/program.log" 2>&1 &
running=$!
kill_at_exit "$running"
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^TAMBRIX - Murmlet$' | head -n 1) ||
  fail "the installed murmlet.exe showed no window"
# Settings -> Auto Start Microphone: the menu bar's File, one menu right, its first item.
# On a busy machine a key may beat the menu, so the road is tried again from a closed menu.
for _ in 1 2 3; do
  xdotool mousemove --window "$window" 12 10 click 1
  sleep 0.5
  xdotool key Right
  sleep 0.5
  xdotool key Return
  for _ in $(seq 20); do
    [ -f "$settings" ] && break 2
    sleep 0.2
  done
  xdotool key Escape Escape
done
"${wine[@]}" taskkill /IM murmlet.exe >/dev/null 2>&1 || true
wait "$running" 2>/dev/null || true
[ ! -e "$installed/settings.ini" ] || fail "settings.ini was written into Program Files"
[ -f "$settings" ] || fail "no settings.ini in %APPDATA%\\TAMBRIX\\Murmlet after a changed setting"
grep -q '^AutoStartMicrophone=' "$settings" || fail "settings.ini holds no AutoStartMicrophone"
settings_sum=$(sha256sum <"$settings")
step "Settings -> Auto Start Microphone in the installed murmlet.exe: $(windows_path "$settings") holds $(grep '^AutoStartMicrophone=' "$settings" | tr -d '\r'); no settings.ini in Program Files"

# --- 3b. what IT sets for the machine, and the installed program hearing the room --------
# With the school's broker at hand (scripts/test-windows.sh starts it): the link and the
# threshold locked under HKLM\SOFTWARE\Policies as Group Policy writes them, the room's
# password in the Credential Manager. The state the program publishes shows that it hears
# the virtual microphone and runs at the locked threshold; settings.ini learns none of it.
if [ -n "${MURMLET_SCHOOL_TLS_PORT:-}" ]; then
  policy='HKLM\SOFTWARE\Policies\TAMBRIX\Murmlet'
  reg_add() { "${wine[@]}" reg add "$policy\\$1" /v "$2" /t "$3" /d "$4" /f /reg:64 >/dev/null; }
  reg_add 'Locked\Settings' NoiseThreshold REG_DWORD 3
  reg_add 'Locked\SchoolLink' Enabled REG_SZ ON
  reg_add 'Locked\SchoolLink' Host REG_SZ 127.0.0.1
  reg_add 'Locked\SchoolLink' Port REG_DWORD "$MURMLET_SCHOOL_TLS_PORT"
  reg_add 'Locked\SchoolLink' CaFile REG_SZ "$(windows_path "$MURMLET_SCHOOL_CA")"
  reg_add 'Preset\SchoolLink' User REG_SZ Room-101
  reg_add 'Preset\SchoolLink' Room REG_SZ Room-101
  printf '%s\n' "$MURMLET_SCHOOL_ROOM_A_PASSWORD" |
    "${wine[@]}" "$build/murmlet-store-secret.exe" "school-link:Room-101@127.0.0.1:$MURMLET_SCHOOL_TLS_PORT"
  sox -n -r 44100 -c 1 -b 16 "$scratch/noise.wav" synth 60 whitenoise vol 0.5
  paplay --device=micfeed "$scratch/noise.wav" &
  feed=$!
  kill_at_exit "$feed"
  "${wine[@]}" 'C:\Program Files\TAMBRIX\Murmlet\murmlet.exe' >"$scratch/program.log" 2>&1 &
  running=$!
  kill_at_exit "$running"
  heard=""
  for _ in $(seq 20); do
    heard=$(mosquitto_sub -h 127.0.0.1 -p "$MURMLET_SCHOOL_TLS_PORT" --cafile "$MURMLET_SCHOOL_CA" \
      -u reader -P "$MURMLET_SCHOOL_READER_PASSWORD" -t murmlet/Room-101/state -C 1 -W 10 || true)
    python3 -c 'import json, sys; s = json.loads(sys.argv[1])
assert s["listening"] and s["sound_coming_in"] and s["peak_dbfs"] > -20 and s["noisy"], s' \
      "$heard" 2>/dev/null && break
    heard=""
    sleep 1
  done
  kill "$feed" 2>/dev/null || true
  "${wine[@]}" taskkill /IM murmlet.exe >/dev/null 2>&1 || true
  wait "$running" 2>/dev/null || true
  [ -n "$heard" ] || fail "the installed program published no state that hears the noise"
  ! grep -q "Unhandled" "$scratch/program.log" ||
    fail "the installed program crashed on its way out: $(grep Unhandled "$scratch/program.log")"
  python3 -c 'import json, sys; assert json.loads(sys.argv[1])["threshold"] == 3' "$heard" ||
    fail "the installed program does not run at the locked threshold: $heard"
  [ "$(sha256sum <"$settings")" = "$settings_sum" ] ||
    fail "what IT locked went into the user's settings.ini"
  "${wine[@]}" reg delete "$policy" /f /reg:64 >/dev/null
  step "locked by policy (reg add under $policy): the link and NoiseThreshold=3; the installed murmlet.exe publishes $heard; settings.ini unchanged"
fi

# --- 4. upgrading ----------------------------------------------------------------------
rebuilt=$packages/murmlet-1.1-rebuilt.msi
make_package 1.1.0 "$rebuilt"
msiexec /i "$(windows_path "$rebuilt")" /qn || fail "msiexec /i of the rebuilt 1.1.0 ended with $?"
expect_one_entry 1.1.0
same_files || fail "after the rebuilt 1.1.0 a file is missing or differs"
step "a rebuilt 1.1.0 (new product code) replaces the installed 1.1.0: one entry, $entry_key"

later=$packages/murmlet-1.2-windows-x64.msi
make_package 1.2 "$later"
msiexec /i "$(windows_path "$later")" /qn || fail "msiexec /i of 1.2 ended with $?"
expect_one_entry 1.2
same_files || fail "after the upgrade a file is missing or differs"
[ "$(sha256sum <"$settings")" = "$settings_sum" ] || fail "the upgrade changed settings.ini"
step "msiexec /i $(basename "$later") /qn over 1.1.0: one entry, $entry_key, version $entry_version; files in place; settings.ini unchanged"

code=0
msiexec /i "$(windows_path "$first")" /qn /l "$(windows_path "$scratch/downgrade.log")" || code=$?
[ "$code" -ne 0 ] || fail "1.1.0 installed over 1.2"
# Refused by the launch condition on the later product found, not by any other failure.
grep -aq '^Property(S): WIX_DOWNGRADE_DETECTED = {' "$scratch/downgrade.log" &&
  grep -aq 'LaunchConditions. Return value 0' "$scratch/downgrade.log" ||
  fail "1.1.0 over 1.2 failed for another reason (msiexec ended with $code)"
expect_one_entry 1.2
step "1.1.0 over 1.2 is refused by its launch condition, the later version found (msiexec's 1603, seen as $code); 1.2 stays"

# --- 5. uninstalling -------------------------------------------------------------------
msiexec /x "$(windows_path "$later")" /qn || fail "msiexec /x ended with $?"
left=$(find "$installed" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "left in Program Files: $left"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
[ -z "$(murmlet_entries)" ] || fail "Apps & features still lists Murmlet"
[ "$(sha256sum <"$settings")" = "$settings_sum" ] || fail "uninstalling changed or removed settings.ini"
! "${wine[@]}" reg query 'HKLM\Software\TAMBRIX\Murmlet' /reg:64 >/dev/null 2>&1 ||
  fail "HKLM\\Software\\TAMBRIX\\Murmlet is left"
[ ! -d "$(dirname "$installed")" ] || fail "left in Program Files: $(cd "$(dirname "$installed")/.." && find TAMBRIX | tr '\n' ' ')"
step "msiexec /x $(basename "$later") /qn: C:\\Program Files\\TAMBRIX gone, shortcut, entry and HKLM\\Software\\TAMBRIX\\Murmlet gone, $(windows_path "$settings") kept"
step "the package test passed"
