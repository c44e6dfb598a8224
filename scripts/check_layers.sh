#!/usr/bin/env bash
# Checks that every #include "..." of the project's own headers points to the
# same layer or one below it:
#   core < platform < state < hostlink < trip < plugin < com < host < tools
# Tests may include anything. Prints each offending line as file:line and
# exits 1 when there is one.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(core platform state hostlink trip plugin com host tools)
rank_of() {
  local i
  for i in "${!layers[@]}"; do
    if [ "${layers[$i]}" = "$1" ]; then echo "$i"; return; fi
  done
  echo -1
}

bad=0
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || continue
  own=$(rank_of "$layer")
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"/]+)\/.*/\1/' <<<"$text")
    rank=$(rank_of "$target")
    if [ "$rank" -gt "$own" ]; then
      echo "$file:$line: $layer includes the higher layer $target: $text"
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$layer" \
             --include='*.h' --include='*.cc' --include='*.rc' || true)
done
if [ "$bad" = 0 ]; then echo "layers: every include points downward"; fi
exit "$bad"
