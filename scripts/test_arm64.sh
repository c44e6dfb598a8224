#!/usr/bin/env bash
# The arm64 side, on this amd64 machine: trezik-tools and trezik-live
# cross-built with Debian's cross toolchain against the arm64 libraries
# installed beside the machine's own (scripts/build_packages.sh arm64, in
# build/pkg-arm64), their programs checked to be aarch64 code, lintian on the
# packages, and the test programs run under qemu-user (qemu-aarch64-static as
# CMake's cross-compiling emulator; it finds the arm64 dynamic loader and
# libraries where multiarch put them). trezik-live and trezik-drive against a
# real gpsd (tests/live/live_gpsd.sh) run under qemu too, through scripts
# that start them in it.
#
# The tests that a script or node runs (trezik-live against a real gpsd and
# in Chromium, its data folder) are given scripts that start trezik-live and
# trezik-drive in qemu in place of the programs. Left out: default_drive_test,
# which starts the arm64 drive generator itself; the kernel runs only amd64
# programs without a binfmt handler, which this script does not register
# machine-wide.
#
#   bash scripts/test_arm64.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/pkg-arm64"
bash "$root/scripts/setup.sh" arm64

# shellcheck source=scripts/named_checks.sh
source "$root/scripts/named_checks.sh"

echo "=== arm64 packages and test programs (cross-built)"
mkdir -p "$build"
if ! bash "$root/scripts/build_packages.sh" arm64 --with-tests >"$build/build.log" 2>&1; then
  tail -n 40 "$build/build.log"
  echo "arm64: 0 passed, 1 failed"
  exit 1
fi
debs=("$build"/packages/trezik-tools_*_arm64.deb "$build"/packages/trezik-live_*_arm64.deb)

# Every program in the packages is aarch64 code.
programs_are_aarch64() {
  local unpacked deb line elf=0
  unpacked="$(mktemp -d)"
  for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$unpacked"; done
  while IFS= read -r line; do
    case "$line" in
      *ELF*) elf=$((elf + 1)); echo "$line"; [[ "$line" == *"ARM aarch64"* ]] || { rm -rf "$unpacked"; return 1; } ;;
    esac
  done < <(find "$unpacked" -type f -exec file {} + | sed "s|$unpacked||")
  rm -rf "$unpacked"
  [ "$elf" = 3 ]  # trezik-drive, trezik-report, trezik-live
}
check "file: the packages' three programs are ARM aarch64" programs_are_aarch64
check "dpkg-deb: both packages are Architecture arm64" bash -c "
  for deb in ${debs[*]}; do [ \"\$(dpkg-deb -f \"\$deb\" Architecture)\" = arm64 ] || exit 1; done"
lintian_arm64() {
  local out rc=0
  out="$(lintian --fail-on error "${debs[@]}" 2>&1 | grep -v 'running with root privileges')" || rc=$?
  printf '%s\n' "$out"
  return "$rc"
}
check "lintian: no error in the arm64 packages" lintian_arm64

# The tests started by a script or node with the programs as arguments, as
# NAME, WORKING-DIRECTORY, SKIP-CODE (- for none) and the command with qemu
# scripts in place of the programs, one a line, fields split by tabs.
qemu="$(command -v qemu-aarch64-static || command -v qemu-aarch64)"
mkdir -p "$build/qemu"
for program in trezik-live trezik-drive trezik-report; do
  printf '#!/bin/sh\nexec %s %s "$@"\n' "$qemu" "$build/tools/$program" >"$build/qemu/$program"
  chmod 755 "$build/qemu/$program"
done
(cd "$build" && ctest --show-only=json-v1) | python3 -c '
import json, sys
tools = sys.argv[1] + "/tools/"
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or []
    if not command or command[0].startswith(sys.argv[1]) or not any(a.startswith(tools) for a in command):
        continue
    properties = {p["name"]: p["value"] for p in test.get("properties", [])}
    command = [a.replace(tools, sys.argv[1] + "/qemu/") for a in command]
    print("\t".join([test["name"], properties.get("WORKING_DIRECTORY", sys.argv[1]),
                     str(properties.get("SKIP_RETURN_CODE", "-")), *command]))
' "$build" >"$build/qemu/script_tests"
excluded="default_drive_test$(cut -f1 "$build/qemu/script_tests" | sed 's/^/|/' | tr -d '\n')"

echo "=== the test programs under qemu-user"
if (cd "$build" && ctest -j 2 --output-on-failure -E "^($excluded)\$"); then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "=== the script tests with trezik-live and trezik-drive in qemu"
while IFS=$'\t' read -r -a fields; do
  rc=0
  output="$(cd "${fields[1]}" && "${fields[@]:3}" 2>&1)" || rc=$?
  if [ "$rc" = 0 ]; then
    echo "ok    ${fields[0]} under qemu"
    passed=$((passed + 1))
  elif [ "$rc" = "${fields[2]}" ]; then
    echo "skip  ${fields[0]} under qemu: $(tail -n 1 <<<"$output")"
  else
    echo "FAIL  ${fields[0]} under qemu"
    printf '%s\n' "$output" | tail -n 40 | sed 's/^/      /'
    failed=$((failed + 1))
  fi
done <"$build/qemu/script_tests"

echo "arm64: $passed passed, $failed failed"
[ "$failed" = 0 ]
