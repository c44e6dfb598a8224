#!/usr/bin/env bash
# Installs what a command needs on a fresh Debian 12 machine.
#
#   bash scripts/setup.sh simulator   # what scripts/simulate.sh builds and runs:
#                                     # trezik-drive and trezik-report
#   bash scripts/setup.sh             # everything (scripts/test.sh, .ci/run)
#
# The simulator and the report need a compiler, CMake and Ninja, GoogleTest
# and Google Benchmark (the native preset builds the tests and benchmarks
# beside them), pugixml, expat, GeographicLib, CLI11 and zlib. The tests add clang
# with libFuzzer for the fuzz targets, the i686 mingw-w64 cross compiler,
# 32-bit wine, wixl and msitools for the installer trezik.msi, and Chromium
# and a font for the report's browser test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
what="${1:-all}"
simulator=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
           libpugixml-dev libexpat1-dev libgeographiclib-dev libcli11-dev zlib1g-dev)
tests=(clang libclang-rt-14-dev g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wixl msitools
       chromium fonts-dejavu-core)
case "$what" in
  simulator) need=("${simulator[@]}") ;;
  all) need=("${simulator[@]}" "${tests[@]}") ;;
  *) echo "setup.sh: '$what' is neither 'simulator' nor 'all'" >&2; exit 2 ;;
esac
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  for p in "${missing[@]}"; do
    if [[ "$p" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
    fi
  done
  echo "setup.sh: updating the package lists" >&2
  $SUDO apt-get update -q >&2
  echo "setup.sh: installing ${#missing[@]} package(s): ${missing[*]}" >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
  echo "setup.sh: installed" >&2
fi
