#!/usr/bin/env bash
# trezik.dll under wine, on how the meters are kept and on the options of
# trezik.ini, with the test host playing the front end:
#   - a creation that fails because no window titled "PathWarden" exists
#     (nohost.js through cscript) leaves tripmeter.ini as it was, also once
#     the client has exited; with the host up the next creation loads those
#     meters (reload.scenario);
#   - with autosave=10, a test host killed with SIGKILL 25 s into a drive in
#     real time (autosave.scenario) leaves the meters of a save made at
#     second 15 or later;
#   - each case of tests/wine/options/ checks one option.
# A scenario's "#setup FILE LINE" lines make the plug-in's files (a CRLF line
# each; FILE "sDecimal" sets the user's decimal mark instead), its "#expect"
# lines are all the test host's results, in order, and "#expect-line FILE
# TEXT" asks for a line of the plug-in's FILE ending in TEXT.
#
#   tests/wine/meters_and_options.sh
#
# Uses build/mingw (TREZIK_MINGW_BUILD chooses another build folder) and its
# own wine prefix build/wineprefix-meters (TREZIK_METERS_WINEPREFIX). Prints
# PASS/FAIL lines, then "N passed, N failed"; exits non-zero when anything
# failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mingw="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
export TREZIK_WINEPREFIX="${TREZIK_METERS_WINEPREFIX:-$root/build/wineprefix-meters}"
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"

require_built "$mingw" "build the mingw preset first" trezik.dll trezik-testhost.exe
fresh_prefix
drive_c="$TREZIK_WINEPREFIX/drive_c"
install="$drive_c/trezik"
work="$drive_c/trezik-tests"
mkdir -p "$install" "$work"
front_end_folder "$drive_c/PathWarden"
cp "$mingw/trezik.dll" "$mingw/trezik-testhost.exe" "$install/"
cp "$root/tests/wine/nohost.js" "$work/"
run regsvr32 /s 'C:\trezik\trezik.dll' >/dev/null 2>&1 || { fail "regsvr32 registers trezik.dll"; finish; }

decimal_mark="."  # the prefix's own (en-US)
set_decimal_mark() {
  [ "$1" == "$decimal_mark" ] && return
  run reg add 'HKCU\Control Panel\International' /v sDecimal /d "$1" /f >/dev/null 2>&1
  decimal_mark="$1"
}

# setup_case SCENARIO: the plug-in's files and the decimal mark as the
# scenario's "#setup" lines have them, and the scenario in the work folder.
setup_case() {
  local scenario="$1" file line mark="."
  rm -f "$install/trezik.ini" "$install"/tripmeter.* "$install"/fuelcarry.* "$install/fuel.log"
  while read -r _ file line; do
    if [ "$file" == "sDecimal" ]; then mark="$line"; else printf '%s\r\n' "$line" >>"$install/$file"; fi
  done < <(grep '^#setup ' "$scenario")
  set_decimal_mark "$mark"
  place_scenario "$scenario"
}

# play_case SCENARIO: the test host plays it; its results must be the
# "#expect" lines and the files must hold the "#expect-line" lines.
play_case() {
  local scenario="$1" name got want file text
  name="$(basename "$scenario")"
  got="$(cd "$work" && run 'C:\trezik\trezik-testhost.exe' "$name" 2>&1 | tr -d '\r' |
         grep -E '^(create|command|label|indicator) ')"
  want="$(sed -n 's/^#expect //p' "$scenario")"
  if [ -n "$want" ] && [ "$got" == "$want" ]; then
    pass "$name: the test host's results"
  else
    fail "$name: the test host's results"
    diff <(echo "$want") <(echo "$got") | sed 's/^/  /'
  fi
  while read -r _ file text; do
    check "$name: $file has a line ending in $text" grep -qF -- "$text"$'\r' "$install/$file"
  done < <(grep '^#expect-line ' "$scenario")
}

# ---------------------------------------------------------------- no host window
setup_case "$root/tests/wine/reload.scenario"
cp "$install/tripmeter.ini" "$work/tripmeter.before"
nohost_out="$(cd "$work" && run cscript //nologo nohost.js 2>&1 | tr -d '\r')"
echo "  nohost.js: $nohost_out"
check "no host window: the creation fails" grep -q '^create -> error 0x' <<<"$nohost_out"
check "no host window: tripmeter.ini unchanged after the failed creation and the client's exit" \
  cmp -s "$work/tripmeter.before" "$install/tripmeter.ini"
play_case "$root/tests/wine/reload.scenario"

# ---------------------------------------------------------------- autosave, then a kill
# The test host in the background, as the process that wine runs (exec all
# the way), so that $! is the process to kill.
setup_case "$root/tests/wine/autosave.scenario"
(cd "$work" && exec "$root/scripts/wine-run.sh" 'C:\trezik\trezik-testhost.exe' --log autosave.log \
   autosave.scenario >/dev/null 2>&1) &
host_pid=$!
for _ in $(seq 1 150); do
  grep -q '^create ' "$work/autosave.log" 2>/dev/null && break
  sleep 0.2
done
sleep 25
if tr '\0' ' ' <"/proc/$host_pid/cmdline" 2>/dev/null | grep -q 'trezik-testhost\.exe'; then
  kill -9 "$host_pid"
  pass "autosave: the test host is killed 25 s into the drive"
else
  fail "autosave: the test host is killed 25 s into the drive (process $host_pid is not it)"
fi
{ wait "$host_pid"; } 2>/dev/null  # no "Killed" notice
host_log="$(tr -d '\r' <"$work/autosave.log")"
check "autosave: the drive began and the host never finished" \
  bash -c 'grep -q "^create trezik.PWExtension -> ok" <<<"$1" && ! grep -q "^end" <<<"$1"' _ "$host_log"
ticks="$(grep -c '^recv .*GPSLAT' <<<"$host_log")"
saved="$(head -1 "$install/tripmeter.ini" | tr -d '\r')"
echo "  autosave: $ticks ticks before the kill, saved total $saved km"
# 11.112 m a tick after the first: by second 15 at least 14 steps; at most
# the steps of the ticks the host answered. (The sphere's formula measures
# steps this short to about 1e-5.)
check "autosave: the saved total covers the drive up to second 15 at least, and no more than was driven" \
  awk -v t="$saved" -v n="$ticks" 'BEGIN { s = 0.011112; exit !(t != "" && t + 0 >= 14 * s * 0.9999 && t + 0 <= (n - 1) * s * 1.0001) }'

# ---------------------------------------------------------------- the options
for scenario in "$root"/tests/wine/options/*.scenario; do
  setup_case "$scenario"
  play_case "$scenario"
done
set_decimal_mark "."
finish
