#!/usr/bin/env bash
# Fails when a source file includes from a folder above its own. The layers, bottom
# first; a file may include from its own folder and from those before it. Inside
# features/ each feature has a folder of its own with its model, window and menu entry.
# Tests and benchmarks may include anything and are not checked.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
layers=(base monitor session localisation update features app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

bad=0
for folder in "${layers[@]}"; do
  own=$(rank "$folder")
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/^[^"]*"([^/"]+)\/.*$/\1/' <<<"${rest#*:}")
    theirs=$(rank "$target")
    if [ "$theirs" -gt "$own" ]; then
      echo "${file#$root/}:$line: $folder/ includes from $target/, a layer above it" >&2
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' \
             --include='*.h' --include='*.cpp' "$root/$folder" || true)
done
rule="Code sits with its feature (model, window and menu entry in one folder), and includes point down: ${layers[*]}"
if [ "$bad" -ne 0 ]; then
  echo "$rule" >&2
  exit 1
fi
echo "Layers hold. $rule"
