#!/usr/bin/env bash
# Builds the Debian packages trezik-tools and trezik-live with CPack
# (cmake/packaging.cmake), versioned from project(VERSION):
#
#   bash scripts/build_packages.sh          # this machine's architecture (amd64)
#   bash scripts/build_packages.sh arm64    # cross-built with Debian's aarch64 toolchain
#
# in build/pkg-ARCH, the packages in build/pkg-ARCH/packages. With
# --with-tests the test programs are built too (scripts/test_arm64.sh runs
# them under qemu-user). The compiler flags are Debian's (dpkg-buildflags,
# with every hardening option). Needs what "bash scripts/setup.sh packages"
# (arm64: "arm64") installs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
arch="$(dpkg --print-architecture)"
tests=OFF
for arg in "$@"; do
  case "$arg" in
    --with-tests) tests=ON ;;
    -*) echo "build_packages.sh: unknown option $arg" >&2; exit 2 ;;
    *) arch="$arg" ;;
  esac
done
build="$root/build/pkg-$arch"
cross=()
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  case "$arch" in
    arm64) cross=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake") ;;
    *) echo "build_packages.sh: no toolchain for '$arch' (amd64 or arm64)" >&2; exit 2 ;;
  esac
fi

export DEB_HOST_ARCH="$arch" DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Without -ffile-prefix-map: the tests find the sources through __FILE__.
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS | sed 's/-ffile-prefix-map=[^ ]*//g') $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
# The changelog's date, and so the packages, follow the last commit.
SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)"
export SOURCE_DATE_EPOCH

echo "build_packages.sh: configuring $build" >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DTREZIK_PACKAGE=ON -DTREZIK_BUILD_TESTS="$tests" -DTREZIK_DEB_ARCH="$arch" "${cross[@]}" >/dev/null
targets=(trezik-drive trezik-report trezik-live trezik_package_files)
if [ "$tests" = ON ]; then targets=(all); fi
cmake --build "$build" -j 2 --target "${targets[@]}"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB -B "$build/packages" >&2)
rm -rf "$build/packages/_CPack_Packages"
ls "$build"/packages/*.deb
