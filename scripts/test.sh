#!/usr/bin/env bash
# The whole test run: installs what is missing, then builds and runs every
# test suite natively and under AddressSanitizer + UndefinedBehaviorSanitizer,
# checks that every test file is registered with CTest, runs each fuzz target
# for a while, runs the Windows side (the cross-built DLL and its tests
# under wine), installs the Debian packages into a clean root, and runs the
# tests of the arm64 build under qemu-user.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=2
failed=0
passed=0
run_suite() {
  local preset=$1
  echo "=== $preset build and tests"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if ctest --preset "$preset" -j "$jobs"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# Every test file must be a registered test: a file left out would never run.
check_registered() {
  local preset=$1 listed missing=0
  listed=$(ctest --preset "$preset" -N)
  while IFS= read -r file; do
    name=$(basename "$file" .cc)
    case "$name" in *_windows_test) continue ;; esac
    if ! grep -qE "Test +#[0-9]+: ${name}\$" <<<"$listed"; then
      echo "test file not registered with CTest: $file"
      missing=1
    fi
  done < <(find tests -name '*_test.cc' | sort)
  if [ "$missing" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite native
check_registered native
run_suite asan

# The libFuzzer targets (tests/fuzz), 20 s each, two at a time: a crash or a
# broken property fails the stage.
echo "=== fuzz targets"
if bash scripts/fuzz.sh --all 20; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

if [ -f scripts/test_windows.sh ]; then
  echo "=== Windows DLL under wine"
  if bash scripts/test_windows.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

# The Debian packages: built, checked by lintian, installed into a clean
# Debian 12 root, run there and purged (scripts/test_packages.sh; as root).
echo "=== Debian packages from a clean install"
if bash scripts/test_packages.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

# The arm64 packages, cross-built, and the tests under qemu-user.
echo "=== arm64 under qemu-user"
if bash scripts/test_arm64.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "stages: $passed passed, $failed failed"
[ "$failed" = 0 ]
