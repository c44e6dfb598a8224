# The check counters and the setup shared by the wine test scripts; source it.
#   pass NAME / fail NAME      count and print one check
#   check NAME COMMAND...      passes when the command succeeds
#   same NAME EXPECTED ACTUAL  passes when the two texts are equal, else shows the difference
#   wineserver_quit            ends the wineserver of $TREZIK_WINEPREFIX, if one runs
#   finish_checks              prints "N passed, N failed" and exits 1 on a failure
#   run PROGRAM ARGUMENT...    runs a Windows program in $TREZIK_WINEPREFIX
#   finish                     ends the script: its wineserver, then finish_checks
#                              (a script that keeps no prefix of its own defines its own)
#   require_built FOLDER HOW FILE...   ends the script unless each FILE is in FOLDER
#   fresh_prefix / open_prefix         a new prefix, or the one there, ready for run
#   front_end_folder FOLDER            FOLDER with a metric front end's pw.ini
#   place_scenario SCENARIO            the scenario in $work, the front end in C:\PathWarden\
#   project_version BUILD              the project's version the build was made with
#   temporary_home NAME / remove_temporary_home PREFIX...
#                                      $tmp for a test's prefixes, and its end
#   build_newer_msi NAME ARGUMENT...   installer/build_msi.sh with the arguments, as a check
checks_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() {
  local name="$1"
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
same() {  # same NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    pass "$1"
  else
    fail "$1"
    diff <(echo "$2") <(echo "$3") | head -20 | sed 's/^/  /'
  fi
}
wineserver_quit() { WINEPREFIX="$TREZIK_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true; }
finish_checks() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

# serve_while WORK HOST SCENARIO LOG CLIENT...: the test host HOST (its
# Windows path) serves the front end from SCENARIO in the folder WORK, logging
# to LOG there, while cscript runs CLIENT... in WORK; prints the client's
# output. The caller defines run (the wine runner).
serve_while() {
  local work="$1" host="$2" scenario="$3" log="$4"
  shift 4
  rm -f "$work/$log"
  (cd "$work" && run "$host" --serve --seconds 120 --log "$log" "$scenario" >/dev/null 2>&1) &
  local host_pid=$!
  for _ in $(seq 1 100); do
    grep -q '^ready' "$work/$log" 2>/dev/null && break
    sleep 0.2
  done
  (cd "$work" && run cscript //nologo "$@" 2>&1 | tr -d '\r')
  run "$host" --stop >/dev/null 2>&1
  wait "$host_pid" 2>/dev/null
}

run() { "$checks_root/scripts/wine-run.sh" "$@"; }
finish() {
  wineserver_quit
  finish_checks
}

# require_built FOLDER HOW FILE...: each FILE is in the build folder FOLDER,
# else the check "FOLDER/FILE is there (HOW)" fails and the script ends.
require_built() {
  local folder="$1" how="$2" f
  shift 2
  for f in "$@"; do
    [ -f "$folder/$f" ] || { fail "$folder/$f is there ($how)"; finish; }
  done
}

# open_prefix: the prefix $TREZIK_WINEPREFIX ready for run, made when it is
# not there; the script ends when it cannot be. fresh_prefix: the same from
# nothing, the prefix there before and its wineserver gone.
open_prefix() {
  run cmd /c exit 0 >/dev/null 2>&1 || { fail "create the wine prefix"; finish; }
}
fresh_prefix() {
  wineserver_quit
  rm -rf "$TREZIK_WINEPREFIX" "$TREZIK_WINEPREFIX.lock"
  open_prefix
}

# front_end_folder FOLDER: the front end's folder, its pw.ini saying that
# the host is metric.
front_end_folder() {
  mkdir -p "$1"
  printf 'isunits=True\r\n' >"$1/pw.ini"
}

# place_scenario SCENARIO: the scenario in the work folder $work under its
# own name, its @PWDIR@ the front end's folder C:\PathWarden\.
place_scenario() {
  sed 's/@PWDIR@/C:\\PathWarden\\/' "$1" >"$work/$(basename "$1")"
}

# project_version BUILD: the project's version as the build folder BUILD
# carries it (generated/trezik_version.h); nothing when it is not there.
project_version() {
  sed -n 's/^#define TREZIK_VERSION_TEXT "\(.*\)"/\1/p' "$1/generated/trezik_version.h" 2>/dev/null
}

# temporary_home NAME: a new temporary folder $tmp (named after NAME) for the
# test's prefixes; the menu entries that wine may mirror for the desktop
# stay in it. remove_temporary_home PREFIX...: the wineservers of the
# prefixes ended and waited for, and $tmp removed.
temporary_home() {
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")"
  export XDG_DATA_HOME="$tmp/xdg-data" XDG_CONFIG_HOME="$tmp/xdg-config"
}
remove_temporary_home() {
  local p
  for p in "$@"; do WINEPREFIX="$p" wineserver -k >/dev/null 2>&1; done
  for p in "$@"; do WINEPREFIX="$p" wineserver -w >/dev/null 2>&1; done
  rm -rf "$tmp"
}

# build_newer_msi NAME VERSION DLL MSI REPORT_EXE: installer/build_msi.sh
# makes the package MSI, checked as NAME; its log is $tmp/newer/wixl.log,
# shown when it fails.
build_newer_msi() {
  local name="$1"
  shift
  if bash "$checks_root/installer/build_msi.sh" "$@" >"$tmp/newer/wixl.log" 2>&1; then
    pass "$name"
  else
    sed 's/^/  /' "$tmp/newer/wixl.log"
    fail "$name"
  fi
}
