# Helpers shared by the scripts; sourced, never run:
# shellcheck shell=bash
#   root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
#   . "$root/scripts/lib.sh"
# The caller keeps its own `set -euo pipefail`; nothing here changes shell options.
# This file owns the EXIT trap: a script that sources it sets none of its own and hands
# its cleaning up to at_exit instead.

lib_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# --- cleaning up ----------------------------------------------------------------------
# Commands to run when the script ends, each kept as one quoted line for eval.
lib_exit_commands=()

# Runs COMMAND [ARGS...] when the script ends, however it ends. Later entries run first,
# so what was started last is stopped first; a failing entry stops none of the others.
at_exit() {
  lib_exit_commands+=("$(printf '%q ' "$@")")
}

lib_on_exit() {
  local code=$? i
  for ((i = ${#lib_exit_commands[@]} - 1; i >= 0; i--)); do
    eval "${lib_exit_commands[i]}" || true
  done
  exit "$code"
}
# Bash runs the EXIT trap on errors under set -e and on Ctrl+C and kill too.
trap lib_on_exit EXIT

# Ends the processes PID... when the script ends, unless they ended before.
kill_at_exit() { # PID...
  at_exit lib_kill_quietly "$@"
}
lib_kill_quietly() {
  kill "$@" 2>/dev/null || true
}

# --- the X display --------------------------------------------------------------------
# Starts Xvfb with one screen of WIDTHxHEIGHTxDEPTH on a display number the server picks
# itself (-displayfd), so parallel runs never meet; exports DISPLAY once the server
# accepts connections and stops the server when the script ends.
start_xvfb() { # WIDTHxHEIGHTxDEPTH
  local number_file pid
  number_file=$(mktemp /tmp/murmlet-display.XXXXXX)
  at_exit rm -f "$number_file"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  pid=$!
  kill_at_exit "$pid"
  # The number is written, newline last, only once the server is ready.
  for _ in $(seq 100); do
    [ "$(wc -l <"$number_file")" -ge 1 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  DISPLAY=:$(head -n 1 "$number_file")
  if [ "$DISPLAY" = : ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY
}

# --- the private sound server ---------------------------------------------------------
# Runs the calling script again, with ARGS, beside the private PulseAudio server of the
# end-to-end tests (tests/e2e/with-pulse.sh); returns at once when already beside it.
rerun_with_pulse() { # ARGS...
  [ -z "${MURMLET_PULSE_RUN:-}" ] || return 0
  local script
  script=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)/$(basename "${BASH_SOURCE[1]}")
  exec bash "$lib_root/tests/e2e/with-pulse.sh" bash "$script" "$@"
}

# --- apt ------------------------------------------------------------------------------
# apt-get with ARGS as root: directly when the script runs as root, otherwise through
# sudo. It waits up to five minutes for another apt to let go of its lock.
apt_as_root() { # apt-get ARGS...
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  # sudo resets the environment, so the front end is passed on the command line.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"
}

# --- the version ----------------------------------------------------------------------
# The program's version, as the root CMakeLists.txt declares it in project(); the one
# place it is written.
murmlet_version() {
  local version
  version=$(sed -n 's/^[[:space:]]*project(Murmlet[[:space:]].*VERSION[[:space:]]\{1,\}\([0-9][0-9.]*\).*/\1/p' \
    "$lib_root/CMakeLists.txt" | head -n 1)
  if [ -z "$version" ]; then
    echo "no version in the project() line of $lib_root/CMakeLists.txt" >&2
    return 1
  fi
  echo "$version"
}

# The maker's web host of the build in BUILD_FOLDER (its CMake cache), or the default of
# the root CMakeLists.txt when that folder has no cache.
murmlet_web_host() { # [BUILD_FOLDER]
  local host=""
  if [ -n "${1:-}" ] && [ -f "$1/CMakeCache.txt" ]; then
    host=$(sed -n 's/^MURMLET_WEB_HOST:STRING=//p' "$1/CMakeCache.txt")
  fi
  [ -n "$host" ] ||
    host=$(sed -n 's/^set(MURMLET_WEB_HOST "\([^"]*\)".*/\1/p' "$lib_root/CMakeLists.txt")
  echo "$host"
}

# The name of the Windows program's folder in the build and of its zip (without .zip).
windows_dist_name() {
  local version
  version=$(murmlet_version) || return 1
  echo "murmlet-$version-windows-x64"
}
