# trezik-report.exe: the report cross-built for Windows beside trezik.dll,
# statically linked like it, importing only Windows system DLLs (checked by
# the test trezik_report_imports).
#
# - CLI11 is header-only: its folder alone, /usr/include/CLI, is linked into
#   the build folder and put on the include path, so that the cross compiler
#   never sees the host's other headers in /usr/include;
# - its files are written by tools/common, which builds its Windows part
#   (CreateFileW, FlushFileBuffers, MoveFileExW);
# - main_windows.cc reads the UTF-16 command line (wmain, -municode).
set(_trezik_cli11 ${CMAKE_BINARY_DIR}/cli11)
if(NOT EXISTS /usr/include/CLI/CLI.hpp)
  message(STATUS "CLI11 not found in /usr/include/CLI: no trezik-report.exe (install libcli11-dev)")
  return()
endif()
file(MAKE_DIRECTORY ${_trezik_cli11}/include)
file(CREATE_LINK /usr/include/CLI ${_trezik_cli11}/include/CLI SYMBOLIC)
file(WRITE ${_trezik_cli11}/CLI11Config.cmake "
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_trezik_cli11}/include)
endif()
set(CLI11_FOUND TRUE)
")
set(CLI11_DIR ${_trezik_cli11} CACHE PATH "CLI11 for the cross build (headers only)" FORCE)

include(${CMAKE_CURRENT_LIST_DIR}/../chart/chart.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/report.cmake OPTIONAL)
if(NOT TARGET trezik-report)
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/report_system.cmake)

function(trezik_replace_source target posix windows)
  get_target_property(sources ${target} SOURCES)
  list(TRANSFORM sources REPLACE "${posix}$" "${windows}")
  set_target_properties(${target} PROPERTIES SOURCES "${sources}")
endfunction()
trezik_replace_source(trezik-report "/main\\.cc" "/main_windows.cc")
target_link_options(trezik-report PRIVATE -municode -static)
# Beside trezik.dll, where the installer takes it from.
set_target_properties(trezik-report PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Its import table, checked as the DLL's is; ShellExecuteW (--open) adds
# shell32. Registered in the top folder, where CTest looks.
function(trezik_report_import_test)
  add_test(NAME trezik_report_imports
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TREZIK_OBJDUMP_PROGRAM} -DFILE=$<TARGET_FILE:trezik-report>
                   -DALSO_ALLOWED=shell32.dll -P ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL trezik_report_import_test)
