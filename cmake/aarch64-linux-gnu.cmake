# Cross-builds the Linux tools for arm64 (Raspberry Pi 4/5 class car PCs)
# with Debian's cross toolchain (crossbuild-essential-arm64) against the
# arm64 libraries installed beside the machine's own (multiarch, "apt-get
# install libfoo-dev:arm64"), and runs the cross-built programs under
# qemu-user (scripts/test_arm64.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TREZIK_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${TREZIK_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TREZIK_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TREZIK_CROSS_TRIPLET})

# Programs are the build machine's; libraries and package files the arm64
# ones in /usr/lib/aarch64-linux-gnu (headers are shared in /usr/include).
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(PKG_CONFIG_EXECUTABLE /usr/bin/${TREZIK_CROSS_TRIPLET}-pkg-config CACHE FILEPATH "pkg-config for arm64")

# libgeographiclib-dev cannot be installed for arm64 beside the machine's own
# (it is not Multi-Arch: same). Its headers are the same for every
# architecture, so the machine's serve; the library is the arm64 runtime
# package's (libgeographiclib23:arm64), linked by its file name.
if(NOT EXISTS /usr/lib/${TREZIK_CROSS_TRIPLET}/libGeographicLib.so)
  file(GLOB _trezik_geographiclib /usr/lib/${TREZIK_CROSS_TRIPLET}/libGeographicLib.so.[0-9]*)
  if(_trezik_geographiclib)
    list(SORT _trezik_geographiclib)
    list(GET _trezik_geographiclib 0 _trezik_geographiclib)
    set(GeographicLib_LIBRARIES ${_trezik_geographiclib} CACHE FILEPATH "GeographicLib for arm64")
  endif()
endif()

# The test programs run under qemu-user; the arm64 dynamic loader and
# libraries are the multiarch ones, where qemu finds them.
find_program(TREZIK_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(TREZIK_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TREZIK_QEMU_AARCH64})
endif()
