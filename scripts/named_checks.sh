# shellcheck shell=bash
# The named checks of the package scripts (test_packages.sh, test_arm64.sh),
# sourced by them: check NAME COMMAND... runs one check, prints "ok" or
# "FAIL" with its name, shows the last 40 lines of a failing one's output,
# and counts it in $passed or $failed.
passed=0
failed=0
check() {  # check NAME COMMAND...: one named check, its output shown when it fails
  local name=$1 output
  shift
  if output="$("$@" 2>&1)"; then
    echo "ok    $name"
    passed=$((passed + 1))
  else
    echo "FAIL  $name"
    printf '%s\n' "$output" | tail -n 40 | sed 's/^/      /'
    failed=$((failed + 1))
  fi
}
