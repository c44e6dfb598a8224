#!/usr/bin/env bash
# Checks that every #include "..." of the project's own headers points to the
# same layer or one below it:
#   core < platform < state < hostlink < trip < plugin < com < host < tools
# Inside tools/ the folders have ranks of their own:
#   common < tracks < chart < report < simulator, live, testhost < bench
# and a folder includes only its own files and those of lower ranks (the
# three of one rank not each other). No two files include each other,
# directly or around a loop (a file and its header count as one). Tests may
# include anything. Prints each offending line as file:line and exits 1
# when there is one.
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
# The ranks inside tools/.
tool_rank() {
  case "$1" in
    common) echo 0 ;; tracks) echo 1 ;; chart) echo 2 ;; report) echo 3 ;;
    simulator | live | testhost) echo 4 ;; bench) echo 5 ;; *) echo -1 ;;
  esac
}
if [ -d tools ]; then
  while IFS=: read -r file line text; do
    own_folder=$(cut -d/ -f2 <<<"$file")
    target_folder=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"tools\/([^"/]+)\/.*/\1/' <<<"$text")
    own=$(tool_rank "$own_folder")
    target=$(tool_rank "$target_folder")
    if [ "$own" -lt 0 ] || [ "$target" -lt 0 ]; then
      echo "$file:$line: tools/$own_folder or tools/$target_folder has no rank: $text"
      bad=1
    elif [ "$target" -gt "$own" ] || { [ "$target" = "$own" ] && [ "$target_folder" != "$own_folder" ]; }; then
      echo "$file:$line: tools/$own_folder includes tools/$target_folder, not below it: $text"
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"tools/' tools \
             --include='*.h' --include='*.cc' || true)
fi

# Loops: every include between the project's own files, a file and its
# header taken as one; tsort names the files of a loop.
pairs=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "${layers[@]}" \
          --include='*.h' --include='*.cc' 2>/dev/null |
        sed -E 's/^([^:]+)\.(h|cc):[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)\.(h|cc)".*/\1 \3/' |
        awk '$1 != $2')
if loops=$(tsort <<<"$pairs" 2>&1 >/dev/null) && [ -z "$loops" ]; then
  :
else
  echo "$loops" | sed 's/^tsort: -: input contains a loop:/includes go round a loop:/'
  bad=1
fi

if [ "$bad" = 0 ]; then echo "layers: every include points downward, and none goes round a loop"; fi
exit "$bad"
