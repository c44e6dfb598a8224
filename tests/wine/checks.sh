# The check counters shared by the wine test scripts; source it.
#   pass NAME / fail NAME      count and print one check
#   check NAME COMMAND...      passes when the command succeeds
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
finish_checks() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}
