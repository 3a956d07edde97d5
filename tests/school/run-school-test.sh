#!/usr/bin/env bash
# The school link's end-to-end test: beside the private sound server (with-pulse.sh), a
# private D-Bus session with an unlocked keyring of its own (the secret store the program
# keeps passwords in), and the engines (engines.sh), runs test_school_link.py.
# Usage: run-school-test.sh BUILD_FOLDER [COMMAND ARGS...]   (COMMAND instead of the script)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1

if [ "${1:-}" != --inside ]; then
  exec bash "$root/tests/e2e/with-pulse.sh" \
    dbus-run-session -- bash "$here/run-school-test.sh" --inside "$@"
fi
build=$2
shift 2
keyring=$(mktemp -d /tmp/murmlet-keyring.XXXXXX)
trap 'rm -rf "$keyring"' EXIT
export XDG_DATA_HOME=$keyring # the keyring's file, not the user's
printf 'throwaway' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
if [ $# -gt 0 ]; then
  bash "$here/engines.sh" "$@"
else
  bash "$here/engines.sh" python3 "$here/test_school_link.py" "$build"
fi
