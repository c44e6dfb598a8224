# trezik.msi beside trezik.dll: the per-user installer, built by wixl
# (installer/build_msi.sh) from the DLL, trezik-report.exe and
# installer/trezik.wxs, with the project version. Part of the default build
# when wixl is installed and trezik-report.exe is built (scripts/setup.sh
# installs wixl and CLI11); without them the target is left out.
find_program(TREZIK_WIXL_PROGRAM wixl)
if(NOT TREZIK_WIXL_PROGRAM)
  message(STATUS "wixl not found: no trezik.msi (install the Debian package wixl)")
  return()
endif()
set(TREZIK_INSTALLER_DIR ${CMAKE_CURRENT_LIST_DIR})

# trezik-report.exe is defined under tools/, after this file is read.
function(trezik_add_msi)
  if(NOT TARGET trezik-report)
    message(STATUS "no trezik-report.exe: no trezik.msi (install CLI11, the Debian package libcli11-dev)")
    return()
  endif()
  set(msi ${CMAKE_BINARY_DIR}/trezik.msi)
  add_custom_command(
    OUTPUT ${msi}
    COMMAND bash ${TREZIK_INSTALLER_DIR}/build_msi.sh ${PROJECT_VERSION} $<TARGET_FILE:trezik> ${msi}
            $<TARGET_FILE:trezik-report>
    DEPENDS trezik trezik-report ${TREZIK_INSTALLER_DIR}/trezik.wxs ${TREZIK_INSTALLER_DIR}/build_msi.sh
    COMMENT "Building the installer trezik.msi ${PROJECT_VERSION}"
    VERBATIM)
  add_custom_target(trezik_msi ALL DEPENDS ${msi})
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL trezik_add_msi)
