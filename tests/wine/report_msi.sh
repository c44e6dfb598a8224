#!/usr/bin/env bash
# The report from the Start menu, as trezik.msi installs it, under wine in a
# fresh prefix of its own:
#   - msiexec /i /qn puts trezik-report.exe beside trezik.dll and the
#     shortcut "trezik trip and fuel report" in the user's Start menu; the
#     shortcut's target is that program, its arguments write into
#     %LOCALAPPDATA%\trezik\report and read the plug-in's folder, and it
#     starts the console window minimized;
#   - the shortcut itself, run by "start /wait" (an .html handler that
#     records what it is given stands in for the browser): with no logs yet
#     it writes a page that says so and names the plug-in's folder, and
#     opens it; with the plug-in's logs it writes report.html and the CSV
#     files there, months.csv with the sums worked by hand, and opens it;
#   - a newer package replaces the program in place and keeps the shortcut
#     and the logs; msiexec /x /qn removes the shortcut and the program and
#     leaves the logs and the written report.
#
#   tests/wine/report_msi.sh
#
# Uses build/mingw (TREZIK_MINGW_BUILD chooses another build folder):
# trezik.msi, trezik.dll, trezik-report.exe, generated/trezik_version.h; and
# wixl for the newer package. Prints PASS/FAIL lines, then
# "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"

temporary_home trezik-report-msi
export TREZIK_WINEPREFIX="$tmp/prefix"
cleanup() { remove_temporary_home "$TREZIK_WINEPREFIX"; }
finish() {
  cleanup
  finish_checks
}
trap cleanup INT TERM
unix_path() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# lnk_fields FILE: a shell link's target (LinkInfo's local base path), its
# working folder and its arguments, one a line (MS-SHLLINK: the header, the
# ID list, LinkInfo, then counted UTF-16 strings in a fixed order).
lnk_fields() {
  local -a b
  read -r -a b <<<"$(od -An -v -tu1 "$1" | tr -s ' \n' '  ')"
  u16() { echo $((b[$1] | b[$1 + 1] << 8)); }
  u32() { echo $((b[$1] | b[$1 + 1] << 8 | b[$1 + 2] << 16 | b[$1 + 3] << 24)); }
  local flags at=76 target="" folder="" arguments="" bit count text i code
  flags=$(u32 20)
  ((flags & 1)) && at=$((at + 2 + $(u16 76)))
  if ((flags & 2)); then
    i=$((at + $(u32 $((at + 16)))))
    while ((b[i] != 0)); do target+=$(printf "\\x$(printf %02x "${b[i]}")"); i=$((i + 1)); done
    at=$((at + $(u32 "$at")))
  fi
  for bit in 4 8 16 32 64; do  # name, relative path, working folder, arguments, icon
    ((flags & bit)) || continue
    count=$(u16 "$at")
    at=$((at + 2))
    text=""
    for ((i = 0; i < count; i++)); do
      code=$(u16 $((at + 2 * i)))
      ((code != 0)) && text+=$(printf "\\u$(printf %04x "$code")")
    done
    at=$((at + 2 * count))
    ((bit == 16)) && folder="$text"
    ((bit == 32)) && arguments="$text"
  done
  printf '%s\n%s\n%s\n' "$target" "$folder" "$arguments"
}

require_built "$build" "build the mingw preset with wixl installed" trezik.msi trezik.dll trezik-report.exe
version="$(project_version "$build")"
open_prefix
work="$TREZIK_WINEPREFIX/drive_c/trezik-test"
mkdir -p "$work"
cp "$build/trezik.msi" "$work/"

# An .html handler that writes what it was given into opened.txt.
run reg add 'HKLM\Software\Classes\.html' /ve /d trezik.testpage /f >/dev/null 2>&1
run reg add 'HKLM\Software\Classes\trezik.testpage\shell\open\command' /ve \
  /d 'C:\windows\system32\cmd.exe /c echo %1> C:\trezik-test\opened.txt' /f >/dev/null 2>&1
opened() {  # what the handler was given last
  tr -d '\r"' <"$work/opened.txt" 2>/dev/null | sed 's/ *$//'
}

# ---------------------------------------------------------------- install
check "msiexec /i trezik.msi /qn" run msiexec /i 'C:\trezik-test\trezik.msi' /qn
local_app_data="$(run cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')"
app_data="$(run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')"
install_win="$local_app_data\\Programs\\trezik"
report_win="$local_app_data\\trezik\\report"
shortcut_win="$app_data\\Microsoft\\Windows\\Start Menu\\Programs\\trezik trip and fuel report.lnk"
install="$(unix_path "$install_win")"
install="${install%/}"
report="$(unix_path "$report_win")"
report="${report%/}"
shortcut="$(unix_path "$shortcut_win")"
check "trezik-report.exe installed beside trezik.dll" cmp -s "$build/trezik-report.exe" "$install/trezik-report.exe"
check "the Start menu holds \"trezik trip and fuel report\"" [ -f "$shortcut" ]
mapfile -t link < <(lnk_fields "$shortcut" 2>/dev/null)
same "the shortcut's target is the installed trezik-report.exe" "$install_win\\trezik-report.exe" "${link[0]:-}"
check "the shortcut's target exists" [ -f "$(unix_path "${link[0]:-C:\\none}")" ]
# ShowCommand, at byte 60 of the link's header: 7, minimized and not active.
same "the shortcut starts its console window minimized" 7 \
  "$(od -An -tu4 -j60 -N4 "$shortcut" 2>/dev/null | tr -d ' ')"
same "the shortcut writes into %LOCALAPPDATA%\\trezik\\report from the plug-in's folder and opens the page" \
  "--open --out \"$report_win\" \"$install_win\\\\\"" "${link[2]:-}"

# ---------------------------------------------------------------- no logs yet
# start runs the shortcut as the shell does, without waiting for the program
# it starts: the page handed to the handler marks its end.
run_shortcut() {
  rm -f "$work/opened.txt"
  run start /wait "$shortcut_win" >/dev/null 2>&1
  for _ in $(seq 1 100); do [ -s "$work/opened.txt" ] && break; sleep 0.2; done
}
run_shortcut
check "with no logs yet the shortcut writes report.html into %LOCALAPPDATA%\\trezik\\report" \
  grep -q 'id="no-logs"' "$report/report.html"
check "the page names the plug-in's folder as where the logs will be" \
  grep -qF "<code>$install_win\\</code>" "$report/report.html"
same "and opens it" "$report_win\\report.html" "$(opened)"

# ---------------------------------------------------------------- the plug-in's logs
# The metric history of the report's hand-worked sums (tests/wine/report_exe.sh).
printf '%s\r\n' '"2026-11-02","07:40:00",12.5,12.5,0,"48.1","11.5","Lindenweg"' \
  '"2026-11-30","17:00:00",5,300,12.75,"48.3","11.7","A9"' >"$install/tripmeter.log"
printf '%s\r\n' '"2026-11-05","07:30:00",40,500,"8",1.6,0.13,"48.1","11.5","Station A"' \
  '"2026-11-28","18:10:00",30.5,410.25,"7.43",1.658,0.12,"48.2","11.6","Station ""B"""' >"$install/fuel.log"
run_shortcut
for f in report.html fillups.csv trips.csv months.csv years.csv; do
  check "with the logs the shortcut writes $f into %LOCALAPPDATA%\\trezik\\report" [ -s "$report/$f" ]
done
check "the page is the report, not the one for no logs" bash -c "! grep -q 'id=\"no-logs\"' '$report/report.html'"
# 910.25 km, 70.5 L, 64 + 50.57 = 114.57, 7.745.. -> 7.75 L/100 km; work 12.75.
same "months.csv holds the sums worked by hand" '2026-11,910.25,70.5,114.57,7.75,12.75' \
  "$(tr -d '\r"' <"$report/months.csv" | awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) at[$i] = i; next }
     { print $at["month"] "," $at["distance"] "," $at["fuel"] "," $at["cost"] "," $at["consumption"] "," $at["work_distance"] }')"
same "and opens it" "$report_win\\report.html" "$(opened)"

# ---------------------------------------------------------------- upgrade
IFS=. read -r major minor patch <<<"$version"
mkdir -p "$tmp/newer"
cp "$build/trezik-report.exe" "$tmp/newer/trezik-report.exe"
printf 'rebuilt for the upgrade test' >>"$tmp/newer/trezik-report.exe"
build_newer_msi "build a newer trezik.msi" \
  "$major.$minor.$((patch + 1))" "$build/trezik.dll" "$work/trezik-newer.msi" "$tmp/newer/trezik-report.exe"
cp "$install/tripmeter.log" "$install/fuel.log" "$tmp/newer/"
check "msiexec /i of the newer package /qn" run msiexec /i 'C:\trezik-test\trezik-newer.msi' /qn
check "the upgrade replaced trezik-report.exe in place" cmp -s "$tmp/newer/trezik-report.exe" "$install/trezik-report.exe"
check "the upgrade kept the shortcut" [ -f "$shortcut" ]
for f in tripmeter.log fuel.log; do check "the upgrade kept $f" cmp -s "$tmp/newer/$f" "$install/$f"; done
rm -f "$report/months.csv"
run_shortcut
check "the upgraded shortcut writes the report again" [ -s "$report/months.csv" ]

# ---------------------------------------------------------------- uninstall
check "msiexec /x /qn" run msiexec /x 'C:\trezik-test\trezik-newer.msi' /qn
check "the uninstall removed the shortcut" [ ! -e "$shortcut" ]
check "the uninstall removed trezik-report.exe" [ ! -e "$install/trezik-report.exe" ]
for f in tripmeter.log fuel.log; do check "the uninstall left $f as it was" cmp -s "$tmp/newer/$f" "$install/$f"; done
check "the uninstall left the written report" [ -s "$report/report.html" ]

finish
