#!/usr/bin/env bash
# Installs everything the build, the simulator and the tests need on a fresh
# Debian 12 machine: compilers (clang with libFuzzer for the fuzz targets),
# CMake, GoogleTest, Google Benchmark, pugixml, GeographicLib, the i686
# mingw-w64 cross compiler, 32-bit wine, and wixl and msitools for the
# installer trezik.msi; CLI11, zlib, Chromium and a font for trezik-report and
# its browser test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
need=(g++ clang libclang-rt-14-dev cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
      libpugixml-dev libgeographiclib-dev g++-mingw-w64-i686 mingw-w64-tools
      wine wine32:i386 wixl msitools
      libcli11-dev zlib1g-dev chromium fonts-dejavu-core)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then $SUDO dpkg --add-architecture i386; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
