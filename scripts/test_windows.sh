#!/usr/bin/env bash
# The Windows side under wine, headless:
#   1. builds the "mingw" preset (trezik.dll, the test host, the tests);
#   2. runs the cross-built GoogleTest suites and the import-table checks
#      (ctest --preset mingw, under wine in build/wineprefix);
#   3. end to end in a fresh private prefix (build/wineprefix-e2e): regsvr32
#      registers the DLL; the test host plays a scenario in its own process
#      and lets COM unload the DLL; beside a serving test host, a VBScript
#      and a JScript client drive the plug-in through cscript; the host's
#      message log and the plug-in's files are checked; regsvr32 /u removes
#      every registry entry;
#   4. tests/wine/meters_and_options.sh in its own prefix: the meters after a
#      creation without a host and after a host killed mid-drive (autosave),
#      and each trezik.ini option through the test host;
#   5. tests/wine/sharp_edges.sh in its own prefix: the DLL in a folder named
#      in Cyrillic, a reply claiming nearly 2 GiB, a fill-up before a kill,
#      a second object while the first lives.
#   6. tests/wine/report_exe.sh in its own prefix: trezik-report.exe on the
#      report's hand-worked history, its CSV files byte for byte as the
#      Linux build's; folders named in Cyrillic, --open, a failed write.
#   7. the installer (tests/wine/msi_install.sh), and the report from the
#      Start menu as it installs it (tests/wine/report_msi.sh), each in a
#      fresh prefix.
# Prints one line per check and finally "N passed, N failed"; exits non-zero
# when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build="$root/build/mingw"
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"
finish() {
  finish_checks
}

# ---------------------------------------------------------------- 1. build
mkdir -p "$root/build"
if ! cmake --preset mingw >"$root/build/mingw-configure.log" 2>&1; then
  tail -30 "$root/build/mingw-configure.log"
  fail "configure the mingw preset"
  finish
fi
if ! cmake --build --preset mingw -j2 >"$build/build.log" 2>&1; then
  tail -40 "$build/build.log"
  fail "build the mingw preset"
  finish
fi
pass "build trezik.dll, trezik-testhost.exe and the tests"

# ---------------------------------------------------------------- 2. ctest under wine
export TREZIK_WINEPREFIX="$root/build/wineprefix"
ctest_log="$build/ctest.log"
ctest --preset mingw >"$ctest_log" 2>&1
summary="$(grep -E '^[0-9]+% tests passed' "$ctest_log" | tail -1)"
if [[ "$summary" =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
  ctest_failed="${BASH_REMATCH[1]}"
  ctest_total="${BASH_REMATCH[2]}"
  passed=$((passed + ctest_total - ctest_failed))
  failed=$((failed + ctest_failed))
  echo "ctest under wine: $summary"
  if [ "$ctest_failed" -ne 0 ]; then
    grep -E '^\s+[0-9]+ - ' "$ctest_log" | sed 's/^/  failed: /'
  fi
else
  tail -30 "$ctest_log"
  fail "ctest --preset mingw"
fi
# It holds the untidy host: a front end that releases the plug-in and exits
# without an unload pass, in a child process, gets its meters saved.
check "ctest ran com_server_windows_test (the untidy host) and it passed" \
  grep -qE 'com_server_windows_test \.+ +Passed' "$ctest_log"
i686-w64-mingw32-objdump -p "$build/trezik.dll" | grep 'DLL Name' | sed 's/^\s*/  trezik.dll imports /'

# ---------------------------------------------------------------- 3. end to end
export TREZIK_WINEPREFIX="$root/build/wineprefix-e2e"
fresh_prefix
drive_c="$TREZIK_WINEPREFIX/drive_c"
install="$drive_c/trezik"
work="$drive_c/trezik-tests"
mkdir -p "$install" "$work"
front_end_folder "$drive_c/PathWarden"
cp "$build/trezik.dll" "$build/trezik-testhost.exe" "$install/"
printf 'decimalplaces=3\r\n' >"$install/trezik.ini"
for f in drive.vbs calls.js; do cp "tests/wine/$f" "$work/"; done
for f in drive.scenario inprocess.scenario; do place_scenario "tests/wine/$f"; done
reset_files() { rm -f "$install/tripmeter.ini" "$install/fuelcarry.ini" "$install/tripmeter.log" "$install/fuel.log"; }
clsid='{246193E9-DC7C-491A-A78B-B6855B4A7E32}'
libid='{CE896545-194F-4614-BF47-8542693DBF28}'
iid='{5C1BE8D8-7618-428A-AD9C-54518C0B4728}'
reg_has() { run reg query "$1" "${@:2}" >/dev/null 2>&1; }

check "regsvr32 registers trezik.dll" run regsvr32 /s 'C:\trezik\trezik.dll'
check "ProgID trezik.PWExtension registered" reg_has 'HKCR\trezik.PWExtension\CLSID'
check "in-process server registered" reg_has "HKCR\\CLSID\\$clsid\\InprocServer32"
threading="$(run reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel 2>/dev/null | tr -d '\r')"
check "threading model Apartment" grep -q 'Apartment' <<<"$threading"
check "type library registered" reg_has "HKCR\\TypeLib\\$libid\\1.0\\409\\win32"

# The test host alone, in its own process, with COM unloading the DLL at the
# end while the thread pumps on.
reset_files
inprocess_out="$(cd "$work" && run 'C:\trezik\trezik-testhost.exe' inprocess.scenario 2>&1 | tr -d '\r')"
inprocess_status=$?
expected="$(tr -d '\r' <tests/wine/inprocess.expected)"
if [ "$inprocess_out" == "$expected" ]; then
  pass "test host scenario: messages, labels, commands, errors, unload"
else
  fail "test host scenario: messages, labels, commands, errors, unload"
  diff <(echo "$expected") <(echo "$inprocess_out") | head -40
fi
check "test host lived on past a tick after the unload" [ "$inprocess_status" -eq 0 ]
check "trip log written by the test host run" grep -q '"Ring Road"' "$install/tripmeter.log"
check "trip state saved when COM unloaded the DLL" grep -q '^0.222' "$install/tripmeter.ini"

# A script client beside a serving test host.
serve_and_run() {  # serve_and_run LOG CLIENT...: prints the client's output
  local log="$1"
  shift
  serve_while "$work" 'C:\trezik\trezik-testhost.exe' drive.scenario "$log" "$@"
}

reset_files
vbs_out="$(serve_and_run vbs-host.log drive.vbs 'C:\trezik\')"
echo "$vbs_out" | sed 's/^/  vbs: /'
vbs_log="$(tr -d '\r' <"$work/vbs-host.log" 2>/dev/null)"
check "VBScript client: every check passed" grep -q '^RESULT pass' <<<"$vbs_out"
check "VBScript client: automation error with code and description" \
  grep -qE '^error 0x800A000D .+' <<<"$vbs_out"
check "host received the start-up request" \
  grep -qF 'recv dwData=1 cbData=21 wParam=0 "REQUEST;trezik;PWPATH"' <<<"$vbs_log"
check "host received four GPS requests, one message each" \
  [ "$(grep -cF 'recv dwData=1 cbData=67 wParam=0 "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD"' <<<"$vbs_log")" -eq 4 ]
check "host received three road requests (logtrip, a partial and a full fill-up)" \
  [ "$(grep -cF 'recv dwData=1 cbData=27 wParam=0 "REQUEST;trezik;CUSTOMFDROAD"' <<<"$vbs_log")" -eq 3 ]
check "host received exit after the fill-up" grep -qF 'recv dwData=1 cbData=4 wParam=0 "exit"' <<<"$vbs_log"
check "trip log holds one CRLF line" [ "$(grep -c $'\r$' "$install/tripmeter.log" 2>/dev/null)" -eq 1 ]
check "fuel log holds two CRLF lines" [ "$(grep -c $'\r$' "$install/fuel.log" 2>/dev/null)" -eq 2 ]

reset_files
js_out="$(serve_and_run js-host.log calls.js)"
echo "$js_out" | sed 's/^/  js: /'
check "JScript client: every check passed" grep -q '^RESULT pass' <<<"$js_out"

# The default drive through the DLL against the same drive replayed on Linux
# by trezik-drive (its own prefix; prints its own checks).
check "default drive: trezik.dll under wine agrees with trezik-drive" bash "$root/tests/wine/compare_drive.sh"

wineserver_quit
check "regsvr32 /u unregisters trezik.dll" run regsvr32 /u /s 'C:\trezik\trezik.dll'
for key in 'HKCR\trezik.PWExtension' "HKCR\\CLSID\\$clsid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
  check "no entry left: $key" bash -c "! \"$root/scripts/wine-run.sh\" reg query '$key' >/dev/null 2>&1"
done
wineserver_quit

# ---------------------------------------------------------------- 4. to 6.
# Each in its own prefix; their PASS/FAIL lines count here one by one.
count_script() {  # count_script NAME SCRIPT
  local out summary
  out="$(bash "$2" 2>&1)"
  summary="$(tail -1 <<<"$out")"
  grep -vxF -- "$summary" <<<"$out"
  if [[ "$summary" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    passed=$((passed + BASH_REMATCH[1]))
    failed=$((failed + BASH_REMATCH[2]))
  else
    fail "$1 under wine ($2)"
  fi
}
count_script "meters and options" "$root/tests/wine/meters_and_options.sh"
count_script "sharp edges" "$root/tests/wine/sharp_edges.sh"
count_script "trezik-report.exe" "$root/tests/wine/report_exe.sh"

check "installer: trezik.msi and regsvr32 /n /i:user (tests/wine/msi_install.sh)" bash "$root/tests/wine/msi_install.sh"
count_script "the report from the Start menu" "$root/tests/wine/report_msi.sh"

finish
