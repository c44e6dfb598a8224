#!/usr/bin/env bash
# The default drive through the real DLL: trezik-drive replays it natively
# and writes it as a scenario; the Windows test host plays that scenario with
# trezik.dll under wine. The labels (the meters with 9 decimals) must agree
# within a relative 1e-9, and so must the log records and the trip state
# file, all but the date and the time of day.
#
#   tests/wine/compare_drive.sh
#
# Uses build/native (trezik-drive; built here when missing) and build/mingw
# (trezik.dll and trezik-testhost.exe, built by scripts/test_windows.sh);
# TREZIK_NATIVE_BUILD and TREZIK_MINGW_BUILD choose other build folders.
# Works in build/compare-drive and its own wine prefix. Prints PASS/FAIL
# lines, then "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
native="${TREZIK_NATIVE_BUILD:-$root/build/native}"
mingw="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
work="$root/build/compare-drive"
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"
finish() { finish_checks; }

# ---------------------------------------------------------------- the native run
if [ ! -x "$native/tools/trezik-drive" ]; then
  if [ ! -f "$native/build.ninja" ]; then (cd "$root" && cmake --preset native >/dev/null); fi
  cmake --build "$native" --target trezik-drive -- -j2 >/dev/null || { fail "build trezik-drive"; finish; }
fi
require_built "$mingw" "build the mingw preset first" trezik.dll trezik-testhost.exe
rm -rf "$work"
mkdir -p "$work"
if "$native/tools/trezik-drive" --out "$work/native" --decimals 9 --plain --every 86400 --no-chart \
     --write-scenario "$work/drive.scenario" >"$work/native.out" 2>&1; then
  pass "trezik-drive replays the default drive and writes its scenario"
else
  cat "$work/native.out"
  fail "trezik-drive replays the default drive and writes its scenario"
  finish
fi

# ---------------------------------------------------------------- the same under wine
export TREZIK_WINEPREFIX="$root/build/wineprefix-drive"
fresh_prefix
install="$TREZIK_WINEPREFIX/drive_c/trezik"
pwdir="$TREZIK_WINEPREFIX/drive_c/PathWarden"
mkdir -p "$install" "$pwdir"
cp "$mingw/trezik.dll" "$mingw/trezik-testhost.exe" "$install/"
# The files the plug-in starts from, as the native run had them.
while IFS= read -r line; do
  case "$line" in
    "# trezik-drive setup: pw.ini "*) printf '%s\r\n' "${line#*pw.ini }" >"$pwdir/pw.ini" ;;
    "# trezik-drive setup: trezik.ini "*) printf '%s\r\n' "${line#*trezik.ini }" >>"$install/trezik.ini" ;;
    "# trezik-drive setup: tripmeter.ini "*)
      values="${line#*tripmeter.ini }"
      printf '%s\r\n%s\r\n' "${values% *}" "${values#* }" >"$install/tripmeter.ini" ;;
  esac
done <"$work/drive.scenario"
sed 's/^pwpath .*/pwpath C:\\PathWarden\\/' "$work/drive.scenario" >"$install/drive.scenario"
if run regsvr32 /s 'C:\trezik\trezik.dll' >/dev/null 2>&1; then pass "regsvr32 registers trezik.dll"; else fail "regsvr32 registers trezik.dll"; fi
(cd "$install" && run 'C:\trezik\trezik-testhost.exe' drive.scenario 2>&1 | tr -d '\r') >"$work/wine.out"
grep -E '^(command|label|indicator) ' "$work/wine.out" >"$work/wine.answers"
wineserver_quit

# ---------------------------------------------------------------- compare
# same_lines A B SEPARATOR SKIP: the files hold as many lines; line by line
# their fields (split at SEPARATOR, the first SKIP left out) are equal, or
# are numbers within a relative 1e-9 of each other. Prints the differences.
same_lines() {
  awk -v sep="$3" -v skip="$4" '
    function number(s) { return s ~ /^"?-?[0-9]+(\.[0-9]+)?"?$/ }
    function value(s) { gsub(/"/, "", s); return s + 0 }
    function close_enough(a, b,   d, m) {
      if (a == b) return 1
      if (!number(a) || !number(b)) return 0
      d = value(a) - value(b); if (d < 0) d = -d
      m = value(a); if (m < 0) m = -m
      return d <= 1e-9 * m
    }
    { sub(/\r$/, "") }
    NR == FNR { want[FNR] = $0; wanted = FNR; next }
    {
      got = FNR
      na = split(want[FNR], a, sep); nb = split($0, b, sep)
      ok = na == nb
      for (i = skip + 1; ok && i <= na; i++) ok = close_enough(a[i], b[i])
      if (!ok) { print "  native: " want[FNR]; print "  wine:   " $0; bad++ }
    }
    END {
      if (got != wanted) { print "  " wanted " lines natively, " got " under wine"; bad++ }
      exit bad > 0
    }' "$1" "$2"
}
check_same() {  # check_same NAME A B SEPARATOR SKIP
  if [ -s "$2" ] && [ -s "$3" ] && same_lines "$2" "$3" "$4" "$5"; then pass "$1"; else fail "$1"; fi
}
check_same "labels, commands and indicator agree (meters within 1e-9)" \
  "$work/drive.scenario.expected" "$work/wine.answers" " -> " 0
check_same "trip log records agree but for date and time" \
  "$work/native/plugin/tripmeter.log" "$install/tripmeter.log" "," 2
check_same "fuel log record agrees but for date and time" \
  "$work/native/plugin/fuel.log" "$install/fuel.log" "," 2
check_same "trip state file agrees" "$work/native/plugin/tripmeter.ini" "$install/tripmeter.ini" "," 0
if [ "$(grep -c '^recv dwData=1 cbData=4 wParam=0 "exit"' "$work/wine.out")" -eq 1 ]; then
  pass "the host got one exit, after the fill-up"
else
  fail "the host got one exit, after the fill-up"
fi
finish
