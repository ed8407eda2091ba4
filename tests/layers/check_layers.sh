#!/usr/bin/env bash
# Fails when a file in src/X/ includes a header of a layer above X, or of
# a layer beside it. The layers, from the bottom: base, log, scoring, then
# render and publish side by side (neither includes the other), ui, app.
# Of scoring, render includes only the season model, scoring/season.h;
# and a renderer never touches the file system.
#
#   tests/layers/check_layers.sh SRC_DIR
set -euo pipefail
src=${1:?usage: check_layers.sh SRC_DIR}
layers=(base log scoring render publish ui app)
declare -A rank=([base]=0 [log]=1 [scoring]=2 [render]=3 [publish]=3 [ui]=4
                 [app]=5)

status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  if [ -z "${rank[$layer]+x}" ]; then
    echo "src/$layer/: not a known layer (${layers[*]})"
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    included=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    if [ -z "${rank[$included]+x}" ]; then
      echo "$file:$line: includes \"$included/...\", which is no layer"
      status=1
    elif [ "${rank[$included]}" -gt "${rank[$layer]}" ]; then
      echo "$file:$line: $layer includes $included, a layer above it"
      status=1
    elif [ "$included" != "$layer" ] &&
         [ "${rank[$included]}" -eq "${rank[$layer]}" ]; then
      echo "$file:$line: $layer includes $included, a layer beside it"
      status=1
    elif [ "$layer" = render ] && [ "$included" = scoring ] &&
         ! grep -q '"scoring/season\.h"' <<<"$text"; then
      echo "$file:$line: render includes of scoring only scoring/season.h"
      status=1
    fi
  done < <(grep -Hn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/' \
             "$dir"*.h "$dir"*.cpp 2>/dev/null || true)
done
# The renderers are pure: bytes out to a page sink, never to the disk.
while IFS= read -r hit; do
  echo "$hit: a renderer touches the file system"
  status=1
done < <(grep -Hn -E '<fstream>|std::fopen|std::filesystem|CreateNewFile|CreateTempFileBeside|OpenRegularFile' \
           "$src"/render/*.h "$src"/render/*.cpp 2>/dev/null || true)
[ "$status" = 0 ] && echo "layers: every include runs downward"
exit "$status"
