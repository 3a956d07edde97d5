#!/usr/bin/env bash
# Signs Windows files (PE programs and libraries, MSI packages) in place with an
# Authenticode SHA-256 signature, using osslsigncode:
#   sign.sh PROGRAM_FILE FILE...
# PROGRAM_FILE is the murmlet.exe whose version record names the program in the
# signature (ProductName); the URL is the maker's web host of the build.
#   MURMLET_SIGN_CERT            the code-signing certificate (PEM; the chain after it)
#   MURMLET_SIGN_KEY             its private key (PEM)
#   MURMLET_SIGN_KEY_PASSWORD    the key's password, when it has one (never on a command line)
#   MURMLET_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping service, when wanted
#   MURMLET_WEB_HOST             the host of the signature's URL (default: the build's)
# Keys stay outside the repository; this script only reads the files it is pointed at.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"

if [ $# -lt 2 ]; then
  echo "usage: sign.sh PROGRAM_FILE FILE..." >&2
  exit 2
fi
: "${MURMLET_SIGN_CERT:?MURMLET_SIGN_CERT names no certificate}"
: "${MURMLET_SIGN_KEY:?MURMLET_SIGN_KEY names no key}"
program=$1
shift

name=$(python3 "$root/scripts/windows/version_strings.py" "$program" | sed -n 's/^ProductName=//p')
host=${MURMLET_WEB_HOST:-$(murmlet_web_host "${MURMLET_WINDOWS_BUILD:-$root/build-windows}")}

options=(-certs "$MURMLET_SIGN_CERT" -key "$MURMLET_SIGN_KEY" -h sha256 -n "$name"
  -i "https://$host/")
[ -z "${MURMLET_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$MURMLET_SIGN_TIMESTAMP_URL")

for file in "$@"; do
  signed=$file.signing
  rm -f "$signed"
  if [ -n "${MURMLET_SIGN_KEY_PASSWORD:-}" ]; then
    printf '%s' "$MURMLET_SIGN_KEY_PASSWORD" |
      osslsigncode sign "${options[@]}" -readpass - -in "$file" -out "$signed" >/dev/null
  else
    osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >/dev/null
  fi
  mv "$signed" "$file"
  echo "  signed $(basename "$file")"
done
