#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own Wine prefix (made on first use
# in the Windows cache). CTest runs every Windows test through this script.
#   MURMLET_WINEPREFIX  the prefix to use (default: ~/.cache/murmlet-windows/wineprefix)
# Wine hands no QT_* variable to the program unless it is spelled WINEQT_*, so each
# QT_* variable set here is passed on that way.
set -euo pipefail
cache_root=${MURMLET_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/murmlet-windows}
export WINEPREFIX=${MURMLET_WINEPREFIX:-$cache_root/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No debugger on a crash: it would wait for a console nobody watches, and the test with it.
# The crash still says "Unhandled page fault" and the program ends.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# QtTest writes to stderr instead of the Windows debug channel.
export WINEQT_FORCE_STDERR_LOGGING=1
while IFS='=' read -r name _; do
  case $name in QT_*) export "WINE$name=${!name}" ;; esac
done < <(env)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$@"
