#!/usr/bin/env bash
# Installs what a command needs on a fresh Debian 12 machine.
#
#   bash scripts/setup.sh simulator   # what scripts/simulate.sh builds and runs:
#                                     # trezik-drive and trezik-report
#   bash scripts/setup.sh live        # the simulator's, and what scripts/live.sh
#                                     # builds and runs: trezik-live, gpsd, gpsfake
#   bash scripts/setup.sh packages    # the live mode's, and what the Debian packages
#                                     # and their install test need (scripts/test_packages.sh)
#   bash scripts/setup.sh arm64       # those, and the arm64 cross build with its
#                                     # tests under qemu (scripts/test_arm64.sh)
#   bash scripts/setup.sh             # everything (scripts/test.sh, .ci/run)
#
# The simulator and the report need a compiler, CMake and Ninja, GoogleTest
# and Google Benchmark (the native preset builds the tests and benchmarks
# beside them), pugixml, expat, GeographicLib, CLI11 and zlib. The tests add clang
# with libFuzzer for the fuzz targets, the i686 mingw-w64 cross compiler,
# 32-bit wine, wixl and msitools for the installer trezik.msi, and Chromium
# and a font for the report's browser test. trezik-live adds libgps,
# libmicrohttpd and nlohmann-json, gpsd and gpsfake (gpsd-clients); its browser
# test Node.js and the npm packages pinned in tests/live/browser. The Debian
# packages need help2man, dpkg-dev, file and lintian, their install test
# debootstrap, curl and systemd-nspawn; the arm64 build Debian's cross toolchain, qemu-user
# and the arm64 builds of the libraries (multiarch).
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
what="${1:-all}"
simulator=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
           libpugixml-dev libexpat1-dev libgeographiclib-dev libcli11-dev zlib1g-dev)
live=(gpsd gpsd-clients libgps-dev libmicrohttpd-dev nlohmann-json3-dev)
tests=(clang libclang-rt-14-dev g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wixl msitools
       chromium fonts-dejavu-core)
packages=(help2man dpkg-dev fakeroot file lintian debootstrap curl systemd-container)
# The arm64 build of every library package above, except those the same for
# every architecture (CLI11, nlohmann-json) and GeographicLib's -dev, which
# cannot sit beside the machine's own: its headers serve, and the library is
# the runtime package's (cmake/aarch64-linux-gnu.cmake).
arm64=(crossbuild-essential-arm64 qemu-user-static libgeographiclib23:arm64)
for p in "${simulator[@]}" "${live[@]}"; do
  case "$p" in
    libcli11-dev | nlohmann-json3-dev | libgeographiclib-dev) ;;
    lib*-dev | zlib1g-dev) arm64+=("$p:arm64") ;;
  esac
done
case "$what" in
  simulator) need=("${simulator[@]}") ;;
  live) need=("${simulator[@]}" "${live[@]}") ;;
  packages) need=("${simulator[@]}" "${live[@]}" "${packages[@]}") ;;
  arm64) need=("${simulator[@]}" "${live[@]}" "${packages[@]}" "${arm64[@]}") ;;
  all)
    need=("${simulator[@]}" "${live[@]}" "${tests[@]}" "${packages[@]}" "${arm64[@]}")
    # Node.js for the browser tests, from Debian unless the machine has one.
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then need+=(nodejs npm); fi
    ;;
  *) echo "setup.sh: '$what' is none of 'simulator', 'live', 'packages', 'arm64' and 'all'" >&2; exit 2 ;;
esac
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  for p in "${missing[@]}"; do
    foreign="${p##*:}"
    if [ "$foreign" != "$p" ] && ! dpkg --print-foreign-architectures | grep -qx "$foreign"; then
      $SUDO dpkg --add-architecture "$foreign"
    fi
  done
  echo "setup.sh: updating the package lists" >&2
  $SUDO apt-get update -q >&2
  echo "setup.sh: installing ${#missing[@]} package(s): ${missing[*]}" >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
  echo "setup.sh: installed" >&2
fi

# The browser tests' npm packages, exactly as package-lock.json pins them.
# puppeteer-core drives Debian's Chromium and downloads no browser.
if [ "$what" = all ]; then
  browser_tests="$(cd "$(dirname "$0")/.." && pwd)/tests/live/browser"
  if [ -f "$browser_tests/package-lock.json" ] &&
     ! cmp -s "$browser_tests/package-lock.json" "$browser_tests/node_modules/.package-lock.installed" 2>/dev/null; then
    echo "setup.sh: installing the browser tests' npm packages" >&2
    (cd "$browser_tests" && npm ci --no-audit --no-fund >&2 &&
       cp package-lock.json node_modules/.package-lock.installed)
  fi
fi
