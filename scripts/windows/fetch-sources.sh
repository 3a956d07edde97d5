#!/usr/bin/env bash
# Downloads Debian's source packages of the libraries the Windows program needs into
# $1/src, through a private apt configuration: the machine's own sources stay untouched.
# The archive is the one the machine already uses; no host name is written here.
set -euo pipefail
cache=$1
src=$cache/src
apt_dir=$cache/apt
mkdir -p "$src" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"

archive=""
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  archive=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' "$f")
  [ -n "$archive" ] && break
done
if [ -z "$archive" ] && [ -f /etc/apt/sources.list ]; then
  archive=$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' /etc/apt/sources.list)
fi
[ -n "$archive" ] || { echo "No Debian archive found in /etc/apt/sources*" >&2; exit 1; }

cat > "$apt_dir/src.sources" <<SOURCES
Types: deb-src
URIs: $archive
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES

opts=(-o "Dir::Etc::sourcelist=$apt_dir/src.sources" -o Dir::Etc::sourceparts=/nonexistent
      -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
apt-get "${opts[@]}" -qq update
cd "$src"
shift
for pkg in "$@"; do
  if ! ls -d "$src/$pkg"-*/ >/dev/null 2>&1; then
    echo "Fetching the source of $pkg..."
    apt-get "${opts[@]}" -qq source "$pkg"
  fi
done
