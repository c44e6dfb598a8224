# The one project version (project(trezik VERSION ...) in CMakeLists.txt),
# carried by the DLL's version resource, the MSI and the programs that print
# it. Any target that links trezik_version can include "trezik_version.h",
# generated into the build folder; it holds plain #defines, so the resource
# compiler reads it too.
set(TREZIK_VERSION_HEADER ${CMAKE_BINARY_DIR}/generated/trezik_version.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/trezik_version.h.in ${TREZIK_VERSION_HEADER} @ONLY)
add_library(trezik_version INTERFACE)
target_include_directories(trezik_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
