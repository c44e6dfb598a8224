# Cross-builds the 32-bit Windows DLL with Debian's mingw-w64 (posix-thread
# variant, which GoogleTest needs for std::mutex) and runs the cross-built
# test programs under wine in the project's private prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TREZIK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TREZIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TREZIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TREZIK_MINGW_PREFIX}-windres)
set(TREZIK_WIDL ${TREZIK_MINGW_PREFIX}-widl CACHE STRING "IDL compiler")
set(TREZIK_OBJDUMP ${TREZIK_MINGW_PREFIX}-objdump CACHE STRING "objdump of the cross tools")

set(CMAKE_FIND_ROOT_PATH /usr/${TREZIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# SSE2 arithmetic, so that doubles are rounded as on the native 64-bit build
# (x87 would keep 80-bit intermediates). Windows 8 and later need SSE2 anyway;
# Windows 7 runs on processors without it, where the DLL's exports refuse to
# work instead (com/entry_points.h).
# -Wno-restrict: GCC 12 reports std::string assignments of literals as
# overlapping copies at -O3 on 32-bit targets (a known false positive).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -Wno-restrict")
# The C++ runtime, libgcc and winpthread linked in, so that every program and
# the DLL import only Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(_trezik_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_trezik_root}/scripts/wine-run.sh")
