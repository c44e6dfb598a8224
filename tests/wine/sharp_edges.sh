#!/usr/bin/env bash
# trezik.dll under wine at its sharp edges, with the test host playing the
# front end (the scenarios in tests/wine/edges/):
#   - registered and loaded from a folder named in Cyrillic, on a system
#     whose ANSI code page (1252) cannot write that name: the registration
#     holds the true path, and the meters are saved there and read back;
#   - a reply claiming nearly 2 GiB over a short text, sent on the
#     plug-in's thread and from a second thread: the host lives on and the
#     next reply is applied;
#   - an accepted fill-up, then the host killed with SIGKILL: tripmeter.ini
#     holds the total the fill-up reset;
#   - a partial fill-up keyed through its mark's key, the host killed, then a
#     restart and a full tank: fuel.log has the partial without a figure and
#     the full tank's consumption over both fill-ups and the whole distance;
#   - a second object created while the first lives keeps the running
#     meters rather than the file's.
# A scenario's "#setup FILE LINE" lines make the plug-in's files (a CRLF line
# each) and its "#expect" lines are all the test host's results, in order.
#
#   tests/wine/sharp_edges.sh
#
# Uses build/mingw (TREZIK_MINGW_BUILD chooses another build folder) and its
# own wine prefix build/wineprefix-edges (TREZIK_EDGES_WINEPREFIX), under a
# UTF-8 Unix locale. Prints PASS/FAIL lines, then "N passed, N failed";
# exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mingw="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
export TREZIK_WINEPREFIX="${TREZIK_EDGES_WINEPREFIX:-$root/build/wineprefix-edges}"
# wine takes file names and arguments in the Unix locale's character set.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"
edges="$root/tests/wine/edges"

require_built "$mingw" "build the mingw preset first" trezik.dll trezik-testhost.exe
fresh_prefix
drive_c="$TREZIK_WINEPREFIX/drive_c"
cyrillic_name="Пробег"
work="$drive_c/trezik-tests"
mkdir -p "$drive_c/trezik" "$drive_c/$cyrillic_name" "$work"
front_end_folder "$drive_c/PathWarden"
cp "$mingw/trezik.dll" "$drive_c/trezik/"
cp "$mingw/trezik.dll" "$drive_c/$cyrillic_name/"
cp "$mingw/trezik-testhost.exe" "$work/"

# setup_case SCENARIO FOLDER: the plug-in's files in FOLDER as the scenario's
# "#setup" lines have them, and the scenario in the work folder.
setup_case() {
  local scenario="$1" folder="$2" file line
  rm -f "$folder/trezik.ini" "$folder"/tripmeter.* "$folder"/*.log
  while read -r _ file line; do
    printf '%s\r\n' "$line" >>"$folder/$file"
  done < <(grep '^#setup ' "$scenario")
  place_scenario "$scenario"
}

# results LOG: the test host's results in its log, without CRs.
results() { tr -d '\r' <"$1" | grep -E '^(create|command|label|indicator|hugereply) '; }

# play_case SCENARIO FOLDER [keep]: the test host plays it to its end; its
# results must be the "#expect" lines, and it must exit with 0. With "keep"
# the plug-in's files in FOLDER stay as an earlier case left them.
play_case() {
  local scenario="$1" name status got want
  name="$(basename "$scenario")"
  if [ "${3:-}" == keep ]; then
    place_scenario "$scenario"
  else
    setup_case "$scenario" "$2"
  fi
  (cd "$work" && run 'C:\trezik-tests\trezik-testhost.exe' --log "$name.log" "$name" >"$name.out" 2>&1)
  status=$?
  got="$(results "$work/$name.log")"
  want="$(sed -n 's/^#expect //p' "$scenario")"
  if [ "$got" == "$want" ]; then
    pass "$name: the test host's results"
  else
    fail "$name: the test host's results"
    diff <(echo "$want") <(echo "$got") | sed 's/^/  /'
    grep -v '^$' "$work/$name.out" | tail -3 | sed 's/^/  host: /'
  fi
  check "$name: the test host lived to its end (exit status $status)" [ "$status" -eq 0 ]
}

# ---------------------------------------------------------------- a folder named in Cyrillic
acp="$(run reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null | tr -d '\r' |
       awk '$1 == "ACP" {print $3}')"
check "the prefix's ANSI code page is 1252, which has no Cyrillic (it is ${acp:-unknown})" [ "$acp" == 1252 ]
check "regsvr32 registers C:\\$cyrillic_name\\trezik.dll" run regsvr32 /s "C:\\$cyrillic_name\\trezik.dll"
# regedit exports in UTF-16 (reg query would print the console's code page).
exported() {
  rm -f "$work/export.reg"
  run regedit /e 'C:\trezik-tests\export.reg' "$1" >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$work/export.reg" 2>/dev/null | tr -d '\r'
}
registered="$(exported 'HKEY_CLASSES_ROOT\CLSID\{246193E9-DC7C-491A-A78B-B6855B4A7E32}\InprocServer32')
$(exported 'HKEY_CLASSES_ROOT\TypeLib\{CE896545-194F-4614-BF47-8542693DBF28}\1.0\409\win32')"
check "the in-process server and the type library are C:\\$cyrillic_name\\trezik.dll" \
  [ "$(grep -cxF "@=\"C:\\\\$cyrillic_name\\\\trezik.dll\"" <<<"$registered")" -eq 2 ]
play_case "$edges/cyrillic_folder.scenario" "$drive_c/$cyrillic_name"
check "tripmeter.ini in C:\\$cyrillic_name holds the saved total" \
  grep -q '^1\.111' "$drive_c/$cyrillic_name/tripmeter.ini"

# The other cases load the DLL from C:\trezik.
install="$drive_c/trezik"
run regsvr32 /s 'C:\trezik\trezik.dll' >/dev/null 2>&1 || { fail "regsvr32 registers C:\\trezik\\trezik.dll"; finish; }

# ---------------------------------------------------------------- a huge reply
play_case "$edges/huge_reply.scenario" "$install"
play_case "$edges/huge_reply_thread.scenario" "$install"

# ---------------------------------------------------------------- a fill-up, then a kill
# play_and_kill SCENARIO: the test host plays it in the background, as the
# process that wine runs (exec all the way, so that $! is the process to
# kill), and is killed with SIGKILL once it logged its "trezik_ok"; its
# results up to then must be the "#expect" lines.
play_and_kill() {
  local scenario="$1" name host_pid want
  name="$(basename "$scenario")"
  rm -f "$work/$name.log"
  (cd "$work" && exec "$root/scripts/wine-run.sh" 'C:\trezik-tests\trezik-testhost.exe' \
     --log "$name.log" "$name" >/dev/null 2>&1) &
  host_pid=$!
  for _ in $(seq 1 150); do
    grep -q '^command trezik_ok ' "$work/$name.log" 2>/dev/null && break
    sleep 0.2
  done
  # What the host does right after the accept (labels) is logged too.
  sleep 1
  if tr '\0' ' ' <"/proc/$host_pid/cmdline" 2>/dev/null | grep -q 'trezik-testhost\.exe'; then
    kill -9 "$host_pid"
  else
    fail "$name: the test host is still running to be killed (process $host_pid is not it)"
  fi
  { wait "$host_pid"; } 2>/dev/null  # no "Killed" notice
  want="$(sed -n 's/^#expect //p' "$scenario")"
  if [ "$(results "$work/$name.log")" == "$want" ]; then
    pass "$name: the test host's results"
  else
    fail "$name: the test host's results"
    diff <(echo "$want") <(results "$work/$name.log") | sed 's/^/  /'
  fi
}

setup_case "$edges/fill_up.scenario" "$install"
play_and_kill "$edges/fill_up.scenario"
total="$(head -1 "$install/tripmeter.ini" 2>/dev/null | tr -d '\r')"
check "fill_up.scenario: after the kill tripmeter.ini's total is the fill-up's 0 (it is ${total:-missing})" \
  [ "$total" == 0 ]

# ---------------------------------------------------------------- a partial fill-up, a kill, a full tank
# The partial fill-up's quantity outlives the kill in fuelcarry.ini, and the
# full tank after the restart counts it over the whole distance.
rm -f "$install/fuelcarry.ini"
setup_case "$edges/partial_fill.scenario" "$install"
play_and_kill "$edges/partial_fill.scenario"
meters="$(tr -d '\r' <"$install/tripmeter.ini" 2>/dev/null | paste -sd' ')"
check "partial_fill.scenario: after the kill tripmeter.ini keeps its two lines, the total 2.2224 (${meters:-missing})" \
  grep -qE '^2\.222[0-9]* 0$' <<<"$meters"
check "partial_fill.scenario: after the kill fuelcarry.ini carries 3.8 litres" \
  grep -q '^quantity=3\.8'$'\r''$' "$install/fuelcarry.ini"
partial_record="$(tail -1 "$install/fuel.log" 2>/dev/null | tr -d '\r')"
check "partial_fill.scenario: fuel.log's record has no figure and the mark (${partial_record:-missing})" \
  grep -qE '^"[0-9-]+","[0-9:]+",3\.8,2\.22,"",1,,"52\.02","5\.0","Ring Road","partial"$' <<<"$partial_record"
play_case "$edges/partial_fill_restart.scenario" "$install" keep
full_record="$(tail -1 "$install/fuel.log" 2>/dev/null | tr -d '\r')"
check "partial_fill_restart.scenario: fuel.log's full tank is (3.8 + 62.1) / 4.4448 (${full_record:-missing})" \
  grep -qE '^"[0-9-]+","[0-9:]+",62\.1,4\.44,"1482\.63",1,14\.83,"52\.04","5\.0","Ring Road"$' <<<"$full_record"
check "partial_fill_restart.scenario: nothing is carried after the full tank" \
  grep -q '^quantity=0'$'\r''$' "$install/fuelcarry.ini"

# ---------------------------------------------------------------- a second object
play_case "$edges/second_object.scenario" "$install"

finish
