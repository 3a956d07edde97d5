#!/usr/bin/env bash
# Installs what is missing, builds Murmlet and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" --target murmlet
exec "${MURMLET_BUILD:-$root/build}/murmlet"
