#!/usr/bin/env bash
# The whole Windows side (scripts/test_windows.sh: the mingw build, ctest
# under wine, the end-to-end, option, sharp-edge, report and installer
# scripts) several times in a row, to show that it passes every time and
# not by luck of timing. Not part of CI: it takes about ten minutes a round.
#
#   bash scripts/stress_windows.sh [ROUNDS] [--load]
#
# ROUNDS defaults to 3. With --load, two busy processes per core run beside
# every round (plain shell loops, ended when the script ends). Prints each
# round's summary and its time, and finally "N passed, N failed" over the
# rounds; exits non-zero when a round failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rounds=3
load=0
for arg in "$@"; do
  case "$arg" in
    --load) load=1 ;;
    ''|*[!0-9]*) echo "usage: stress_windows.sh [ROUNDS] [--load]" >&2; exit 2 ;;
    *) rounds="$arg" ;;
  esac
done

busy=()
stop_load() {
  if [ ${#busy[@]} -gt 0 ]; then kill "${busy[@]}" 2>/dev/null; wait "${busy[@]}" 2>/dev/null; fi
  busy=()
}
trap stop_load EXIT
if [ "$load" = 1 ]; then
  for _ in $(seq 1 $((2 * $(nproc)))); do
    bash -c 'while :; do :; done' &
    busy+=($!)
  done
  echo "stress_windows.sh: ${#busy[@]} busy processes beside the rounds ($(nproc) cores)"
fi

good=0
bad=0
logs="$root/build/stress-windows"
mkdir -p "$logs"
for round in $(seq 1 "$rounds"); do
  start=$(date +%s)
  log="$logs/round-$round.log"
  if bash "$root/scripts/test_windows.sh" >"$log" 2>&1; then
    good=$((good + 1))
    verdict=passed
  else
    bad=$((bad + 1))
    verdict=FAILED
  fi
  echo "round $round: $verdict in $(($(date +%s) - start)) s: $(tail -1 "$log") (log: $log)"
  if [ "$verdict" = FAILED ]; then grep -E '^(FAIL|  failed:)' "$log" | head -20; fi
done
echo "$good passed, $bad failed"
[ "$bad" = 0 ]
