# trezik.msi beside trezik.dll: the per-user installer, built by wixl
# (installer/build_msi.sh) from the DLL, trezik-report.exe and
# installer/trezik.wxs, with the project version. Part of the default build when wixl is installed
# (scripts/setup.sh installs it); without it the target is left out.
find_program(TREZIK_WIXL_PROGRAM wixl)
if(NOT TREZIK_WIXL_PROGRAM)
  message(STATUS "wixl not found: no trezik.msi (install the Debian package wixl)")
  return()
endif()
set(_trezik_msi ${CMAKE_BINARY_DIR}/trezik.msi)
add_custom_command(
  OUTPUT ${_trezik_msi}
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/build_msi.sh ${PROJECT_VERSION} $<TARGET_FILE:trezik>
          ${_trezik_msi} $<TARGET_FILE:trezik-report>
  DEPENDS trezik trezik-report ${CMAKE_CURRENT_LIST_DIR}/trezik.wxs ${CMAKE_CURRENT_LIST_DIR}/build_msi.sh
  COMMENT "Building the installer trezik.msi ${PROJECT_VERSION}"
  VERBATIM)
add_custom_target(trezik_msi ALL DEPENDS ${_trezik_msi})
