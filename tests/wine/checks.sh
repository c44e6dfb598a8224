# The check counters shared by the wine test scripts; source it.
#   pass NAME / fail NAME      count and print one check
#   check NAME COMMAND...      passes when the command succeeds
#   same NAME EXPECTED ACTUAL  passes when the two texts are equal, else shows the difference
#   wineserver_quit            ends the wineserver of $TREZIK_WINEPREFIX, if one runs
#   finish_checks              prints "N passed, N failed" and exits 1 on a failure
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
