#!/usr/bin/env bash
# trezik-report.exe under wine, against the Linux build and sums worked by
# hand:
#   - the hand-worked history of the report's tests (kilometres and litres
#     with ".", miles and gallons with ","): the CSV files byte for byte as
#     the Linux build of trezik-report writes them from the same logs in the
#     same run, and months.csv's sums as worked by hand;
#   - plug-in and output folders named in Cyrillic on a system whose ANSI
#     code page (1252) cannot write them; a place logged in that code page
#     ("Zürich", byte 0xFC) is UTF-8 on the page, and one logged in code page
#     1251 under a Russian locale ("Москва") too;
#   - --open with no log yet: a page that says so and names the folder, then
#     either "no program to open it" (no .html handler) or the handler
#     started with the page;
#   - a log with no record: exit status 2, the reason, nothing written;
#   - a page that cannot be put in place: exit status 1, the reason, and no
#     temporary file left.
#
#   tests/wine/report_exe.sh
#
# Uses build/mingw/trezik-report.exe (TREZIK_MINGW_BUILD chooses another
# build folder) and builds trezik-report in build/native (TREZIK_NATIVE_BUILD),
# configuring the native preset when it is not; its own wine prefix
# build/wineprefix-report (TREZIK_REPORT_WINEPREFIX). Prints PASS/FAIL lines,
# then "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mingw="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
native="${TREZIK_NATIVE_BUILD:-$root/build/native}"
export TREZIK_WINEPREFIX="${TREZIK_REPORT_WINEPREFIX:-$root/build/wineprefix-report}"
# wine takes file names and arguments in the Unix locale's character set.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"

require_built "$mingw" "build the mingw preset" trezik-report.exe
if [ ! -f "$native/build.ninja" ]; then
  (cd "$root" && cmake --preset native >"$mingw/report-native-configure.log" 2>&1)
fi
if cmake --build "$native" --target trezik-report >"$mingw/report-native-build.log" 2>&1; then
  pass "the Linux build of trezik-report"
else
  tail -20 "$mingw/report-native-build.log"
  fail "the Linux build of trezik-report"
  finish
fi
linux_report="$native/tools/trezik-report"

wineserver_quit
open_prefix
drive_c="$TREZIK_WINEPREFIX/drive_c"
work="$drive_c/trezik-report-test"
rm -rf "$work" "$TREZIK_WINEPREFIX.linux"
mkdir -p "$work" "$TREZIK_WINEPREFIX.linux"
linux="$TREZIK_WINEPREFIX.linux"
trap 'rm -rf "$linux"' EXIT
cp "$mingw/trezik-report.exe" "$work/"

crlf() { sed 's/$/\r/'; }  # the plug-in ends its records in CR LF

# ---------------------------------------------------------------- the history
# The trip records and fill-ups of the report's hand-worked sums
# (tests/report/report_sums_test.cc), one plug-in folder per unit system.
trips='"2026-11-02","07:40:00",12.5,12.5,0,"48.1","11.5","Lindenweg"
"2026-11-20","18:00:00",30,250,10,"48.2","11.6","Ring ""Road"""
"2026-11-30","17:00:00",5,300,12.75,"48.3","11.7","A9"
"2026-12-01","08:00:00",2,302,1.5,"48.3","11.7","A9"
"2026-12-07","08:01:01",1.33,101.33,2.67,"48.012","11.5","Ring Road"
"2027-01-03","09:00:00",7,108.33,4,"gpslat","gpslon",""
"2027-01-03","09:30:00",9.5,110.83,4,"gpslat","gpslon",""'
metric_fuel='"2026-11-05","07:30:00",40,500,"8",1.6,0.13,"48.1","11.5","Station A"
"2026-11-28","18:10:00",30.5,410.25,"7.43",1.658,0.12,"48.2","11.6","Station ""B"""
"2026-12-07","08:00:00",35.2,440,"8.0",1.5,0.12,"gpslat","gpslon","Ring Road"'
imperial_fuel='"2026-11-05","07:30:00",10,300,"30",3.5,0.12,"48.1","11.5","Station A"
"2026-11-28","18:10:00",12.4,350.6,"28,27",3.25,0.11,"48.2","11.6","Station ""B"""
"2026-12-07","08:00:00",8.5,280.5,"33",3.4,0.1,"gpslat","gpslon","Ring Road"'
# month,distance,fuel,cost,consumption,work_distance, worked by hand: costs
# 40 x 1.6 + 30.5 x 1.658 (50.569 -> 50.57) = 114.57, 70.5 / 910.25 x 100 =
# 7.745.. -> 7.75; miles: 35 + 12.4 x 3.25 = 75.30, 650.6 / 22.4 = 29.04 mpg.
# Work added: 10 + 2.75 in November, 1.5 + 1.17 in December, 1.33 in January.
metric_months='2026-11,910.25,70.5,114.57,7.75,12.75
2026-12,440,35.2,52.80,8.00,2.67
2027-01,0,0,0.00,,1.33'
imperial_months='2026-11,650.6,22.4,75.30,29.04,12.75
2026-12,280.5,8.5,28.90,33.00,2.67
2027-01,0,0,0.00,,1.33'

# The columns month,distance,fuel,cost,consumption,work_distance of a
# months.csv, found by their names, quotes dropped.
sums() {
  tr -d '\r"' <"$1" | awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) at[$i] = i; next }
    { print $at["month"] "," $at["distance"] "," $at["fuel"] "," $at["cost"] "," $at["consumption"] "," \
            $at["work_distance"] }'
}

for units in metric imperial; do
  fuel_var="${units}_fuel"
  for side in "$work" "$linux"; do
    mkdir -p "$side/$units"
    crlf <<<"$trips" >"$side/$units/tripmeter.log"
    crlf <<<"${!fuel_var}" >"$side/$units/fuel.log"
  done
  "$linux_report" "$linux/$units" -o "$linux/$units-report" >"$linux/$units.out" 2>&1
  check "$units: the Linux build writes its report" [ -f "$linux/$units-report/months.csv" ]
  (cd "$work" && run 'C:\trezik-report-test\trezik-report.exe' "C:\\trezik-report-test\\$units" \
     -o "C:\\trezik-report-test\\$units-report" >"$work/$units.out" 2>&1)
  status=$?
  check "$units: trezik-report.exe exits 0" [ "$status" -eq 0 ]
  for f in months.csv fillups.csv trips.csv years.csv; do
    check "$units: $f byte for byte as the Linux build's" cmp "$linux/$units-report/$f" "$work/$units-report/$f"
  done
  months_var="${units}_months"
  same "$units: months.csv holds the sums worked by hand" "${!months_var}" "$(sums "$work/$units-report/months.csv")"
done

# ---------------------------------------------------------------- Unicode folders, ANSI bytes
plugin_name="Пробег"
out_name="Отчёт"
mkdir -p "$work/$plugin_name"
printf '"2026-11-02","07:40:00",12.5,12.5,0,"47.37","8.54","Z\xfcrich"\r\n' >"$work/$plugin_name/TripMeter.log"
acp="$(run reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null | tr -d '\r' |
       awk '$1 == "ACP" { print $3 }')"
check "the prefix's ANSI code page is 1252, which has no Cyrillic (it is ${acp:-unknown})" [ "$acp" == 1252 ]
(cd "$work" && run 'C:\trezik-report-test\trezik-report.exe' "C:\\trezik-report-test\\$plugin_name" \
   -o "C:\\trezik-report-test\\$out_name\\$out_name" >"$work/unicode.out" 2>&1)
check "a plug-in folder and an output folder named in Cyrillic: exit 0" [ $? -eq 0 ]
check "the report is in C:\\trezik-report-test\\$out_name\\$out_name" [ -f "$work/$out_name/$out_name/report.html" ]
check "the place logged in code page 1252 reads Zürich on the page" grep -q 'Zürich' "$work/$out_name/$out_name/report.html"
check "the page names the log in its Cyrillic folder" grep -qF "$plugin_name" "$work/$out_name/$out_name/report.html"
check "trips.csv keeps the logged byte" grep -q $'"Z\xfcrich"' "$work/$out_name/$out_name/trips.csv"
# The same program on a machine whose ANSI code page is 1251 (wine takes it
# from a Russian locale): the bytes of "Москва" in that code page are Москва
# on the page, where Windows-1252 would read them as "Ìîñêâà".
mkdir -p "$work/cp1251"
printf '"2026-11-02","07:40:00",12.5,12.5,0,"55.75","37.62","\xcc\xee\xf1\xea\xe2\xe0"\r\n' \
  >"$work/cp1251/tripmeter.log"
(cd "$work" && env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$root/scripts/wine-run.sh" 'C:\trezik-report-test\trezik-report.exe' \
   'C:\trezik-report-test\cp1251' -o 'C:\trezik-report-test\cp1251-report' >"$work/cp1251.out" 2>&1)
check "under code page 1251: exit 0" [ $? -eq 0 ]
check "a place logged in code page 1251 reads Москва on the page" grep -q 'Москва' "$work/cp1251-report/report.html"

# ---------------------------------------------------------------- --open, no logs yet
mkdir -p "$work/fresh"
for key in 'HKLM\Software\Classes\.html' 'HKLM\Software\Classes\trezik.testpage'; do  # from an earlier run
  run reg delete "$key" /f >/dev/null 2>&1
done
open_run() {  # open_run NAME: --open on the folder without logs, output in NAME.out
  rm -rf "$work/fresh-report"
  (cd "$work" && run 'C:\trezik-report-test\trezik-report.exe' --open -o 'C:\trezik-report-test\fresh-report' \
     'C:\trezik-report-test\fresh\' >"$work/$1.out" 2>&1)
}
open_run no-handler
check "--open with no log yet: exit 0" [ $? -eq 0 ]
check "the page says there are no logs yet" grep -q 'id="no-logs"' "$work/fresh-report/report.html"
check "the page names the folder the logs will be in" grep -qF 'C:\trezik-report-test\fresh' "$work/fresh-report/report.html"
check "no CSV file for no logs" bash -c "! ls '$work/fresh-report'/*.csv >/dev/null 2>&1"
check "without a handler for .html it says where the page is" \
  grep -qF 'open C:\trezik-report-test\fresh-report\report.html in a browser' "$work/no-handler.out"
# A handler for .html that records what it was given.
handler='C:\windows\system32\cmd.exe /c echo %1> C:\trezik-report-test\opened.txt'
run reg add 'HKLM\Software\Classes\.html' /ve /d trezik.testpage /f >/dev/null 2>&1
run reg add 'HKLM\Software\Classes\trezik.testpage\shell\open\command' /ve /d "$handler" /f >/dev/null 2>&1
rm -f "$work/opened.txt"
open_run handler
for _ in $(seq 1 50); do [ -s "$work/opened.txt" ] && break; sleep 0.2; done
same "--open hands report.html to the .html handler" 'C:\trezik-report-test\fresh-report\report.html' \
  "$(tr -d '\r"' <"$work/opened.txt" 2>/dev/null | sed 's/ *$//')"
check "and says it opened it" grep -qF 'opened C:\trezik-report-test\fresh-report\report.html' "$work/handler.out"

# ---------------------------------------------------------------- a refused run
mkdir -p "$work/garbage"
printf 'GIF89a\nnot,a,log\n' >"$work/garbage/fuel.log"
(cd "$work" && run 'C:\trezik-report-test\trezik-report.exe' 'C:\trezik-report-test\garbage' \
   -o 'C:\trezik-report-test\refused\report' >"$work/refused.out" 2>&1)
check "a log with no record: exit status 2" [ $? -eq 2 ]
check "the reason names the log" grep -qF 'garbage\fuel.log: not a trip or fuel log' "$work/refused.out"
check "nothing written, the folders it made removed" [ ! -e "$work/refused" ]

# ---------------------------------------------------------------- a page that cannot be put in place
mkdir -p "$work/blocked/report.html"
(cd "$work" && run 'C:\trezik-report-test\trezik-report.exe' 'C:\trezik-report-test\metric' \
   -o 'C:\trezik-report-test\blocked' >"$work/blocked.out" 2>&1)
check "a folder where report.html goes: exit status 1" [ $? -eq 1 ]
check "the reason names the page" grep -qF 'cannot write C:\trezik-report-test\blocked\report.html: rename' "$work/blocked.out"
check "no temporary file left" bash -c "! ls '$work/blocked' | grep -q tmp-"

finish
