# trezik.dll: the in-process COM server around the portable core.
#
# - trezik.tlb is compiled by widl from com/trezik.idl (IDispatch comes
#   from wine's stdole2.tlb) and embedded by com/trezik.rc;
# - the COM code is an object library, so that the Windows tests can link
#   its pieces directly besides loading the DLL;
# - the four entry points and DllInstall are exported undecorated through
#   com/trezik.def, each behind a check for SSE2 (com/entry_points.h);
# - the version resource carries the project version (trezik_version.h);
# - the C++ runtime is linked statically (toolchain file), and a CTest test
#   checks that the DLL imports only Windows system DLLs.

find_program(TREZIK_WIDL_PROGRAM NAMES ${TREZIK_WIDL} i686-w64-mingw32-widl widl REQUIRED)
find_program(TREZIK_OBJDUMP_PROGRAM NAMES ${TREZIK_OBJDUMP} i686-w64-mingw32-objdump objdump)
set(TREZIK_STDOLE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows
    CACHE PATH "Folder holding stdole2.tlb for widl's importlib")

set(_trezik_tlb ${CMAKE_CURRENT_BINARY_DIR}/trezik.tlb)
add_custom_command(
  OUTPUT ${_trezik_tlb}
  COMMAND ${TREZIK_WIDL_PROGRAM} -I ${CMAKE_CURRENT_SOURCE_DIR}/com -L ${TREZIK_STDOLE_DIR}
          -t -o ${_trezik_tlb} ${CMAKE_CURRENT_SOURCE_DIR}/com/trezik.idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/com/trezik.idl
          ${CMAKE_CURRENT_SOURCE_DIR}/com/automation_base.idl
  COMMENT "Compiling the type library trezik.tlb"
  VERBATIM)
add_custom_target(trezik_typelib DEPENDS ${_trezik_tlb})

enable_language(RC)

add_library(trezik_com OBJECT
  com/com_arguments.cc
  com/com_errors.cc
  com/com_object.cc
  com/com_registration.cc
  com/com_server.cc
  com/entry_points.cc
  com/module_life.cc
)
target_link_libraries(trezik_com PUBLIC trezik_plugin ole32 oleaut32 advapi32 uuid)
# The exports ask whether the processor has SSE2 before anything else runs,
# so they themselves must run on one without it (com/entry_points.h).
set_source_files_properties(com/entry_points.cc PROPERTIES
                            COMPILE_OPTIONS "-mno-sse;-mno-sse2;-mfpmath=387")

add_library(trezik SHARED
  $<TARGET_OBJECTS:trezik_com>
  com/trezik.rc
  com/trezik.def
)
set_target_properties(trezik PROPERTIES PREFIX "" OUTPUT_NAME trezik)
target_link_libraries(trezik PRIVATE trezik_plugin trezik_version ole32 oleaut32 advapi32 uuid user32
                                     kernel32)
target_link_options(trezik PRIVATE -static -Wl,--kill-at -Wl,--enable-stdcall-fixup
                    $<$<CONFIG:Release>:-s>)
set_source_files_properties(com/trezik.rc PROPERTIES
                            OBJECT_DEPENDS "${_trezik_tlb};${TREZIK_VERSION_HEADER}")
target_include_directories(trezik PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(trezik trezik_typelib)

# The same DLL with its symbols (not shipped), for the check that nothing
# runs an SSE instruction before the exports' processor check.
add_library(trezik_symbols SHARED $<TARGET_OBJECTS:trezik_com> com/trezik.def)
set_target_properties(trezik_symbols PROPERTIES PREFIX "" OUTPUT_NAME trezik-symbols)
target_link_libraries(trezik_symbols PRIVATE trezik_plugin ole32 oleaut32 advapi32 uuid user32
                                             kernel32)
target_link_options(trezik_symbols PRIVATE -static -Wl,--kill-at -Wl,--enable-stdcall-fixup)
add_test(NAME trezik_sse2_guard
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_sse2_guard.sh
                 ${TREZIK_OBJDUMP_PROGRAM} $<TARGET_FILE:trezik_symbols>)

add_test(NAME trezik_dll_imports
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TREZIK_OBJDUMP_PROGRAM} -DFILE=$<TARGET_FILE:trezik>
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_imports.cmake)

# The Windows tests under tests/ and the test host under tools/ are defined
# after this file is read; once they exist, the COM tests get the COM objects
# and the DLL they load, and the test host its import check.
function(trezik_wire_windows_tests)
  foreach(test IN ITEMS com_errors_windows_test com_server_windows_test com_dispatch_windows_test)
    if(TARGET ${test})
      target_link_libraries(${test} PRIVATE trezik_com)
      target_compile_definitions(${test} PRIVATE TREZIK_DLL_PATH="$<TARGET_FILE:trezik>")
      add_dependencies(${test} trezik)
    endif()
  endforeach()
  if(TARGET trezik-testhost)
    add_test(NAME trezik_testhost_imports
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TREZIK_OBJDUMP_PROGRAM}
                     -DFILE=$<TARGET_FILE:trezik-testhost>
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_imports.cmake)
  endif()
endfunction()
cmake_language(DEFER CALL trezik_wire_windows_tests)

# trezik.msi, the per-user installer (installer/).
include(${CMAKE_CURRENT_SOURCE_DIR}/installer/installer.cmake OPTIONAL)
