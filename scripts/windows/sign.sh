#!/usr/bin/env bash
# Signs Windows files in place with an Authenticode SHA-256 signature, using osslsigncode:
#   sign.sh FOLDER            our own files in the program's folder: every .exe and the
#                             murmlet-*.dll modules (the libraries of others stay as
#                             their makers shipped them)
#   sign.sh FOLDER FILE...    only FILE... (e.g. the .msi made from FOLDER)
# The signature names the program as FOLDER/murmlet.exe's version record does
# (ProductName) and points to the maker's web host of the build.
#   MURMLET_SIGN_CERT            the code-signing certificate (PEM; the chain after it)
#   MURMLET_SIGN_KEY             its private key (PEM)
#   MURMLET_SIGN_KEY_PASSWORD    the key's password, when it has one (never on a command line)
#   MURMLET_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping service, when wanted
# Keys stay outside the repository; this script only reads the files it is pointed at.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"

if [ $# -lt 1 ] || [ ! -f "$1/murmlet.exe" ]; then
  echo "usage: sign.sh FOLDER [FILE...]   (FOLDER holding murmlet.exe)" >&2
  exit 2
fi
: "${MURMLET_SIGN_CERT:?MURMLET_SIGN_CERT names no certificate}"
: "${MURMLET_SIGN_KEY:?MURMLET_SIGN_KEY names no key}"
folder=$1
shift
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(find "$folder" -type f \( -iname '*.exe' -o -iname 'murmlet-*.dll' \) | sort)
fi

name=$(python3 "$root/scripts/windows/version_strings.py" "$folder/murmlet.exe" |
  sed -n 's/^ProductName=//p')
host=$(murmlet_web_host "${MURMLET_WINDOWS_BUILD:-$root/build-windows}")
options=(-certs "$MURMLET_SIGN_CERT" -key "$MURMLET_SIGN_KEY" -h sha256 -n "$name"
  -i "https://$host/")
[ -z "${MURMLET_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$MURMLET_SIGN_TIMESTAMP_URL")

for file in "${files[@]}"; do
  signed=$file.signing
  rm -f "$signed"
  # A signed file is signed anew, not given a second signature.
  if osslsigncode extract-signature -in "$file" -out /dev/null >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$file" -out "$signed" >/dev/null
    mv "$signed" "$file"
  fi
  if [ -n "${MURMLET_SIGN_KEY_PASSWORD:-}" ]; then
    printf '%s' "$MURMLET_SIGN_KEY_PASSWORD" |
      osslsigncode sign "${options[@]}" -readpass - -in "$file" -out "$signed" >/dev/null
  else
    osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >/dev/null
  fi
  mv "$signed" "$file"
  echo "  signed ${file#"$folder"/}"
done
