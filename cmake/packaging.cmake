# Installing the Linux tools, and the Debian packages CPack makes of them
# (scripts/build_packages.sh):
#
#   trezik-tools  trezik-drive and trezik-report, their man pages, the bundled
#                 drive in DATADIR/trezik, the simulator's and the report's docs
#   trezik-live   trezik-live (the program in LIBEXECDIR/trezik, the command
#                 that adds --demo in BINDIR), the systemd user unit, the
#                 bundled drive as NMEA for --demo, its docs and the kiosk note
#
# With TREZIK_PACKAGE=ON the man pages are made from --help with help2man
# (through CMAKE_CROSSCOMPILING_EMULATOR in a cross build), with the files
# every Debian package carries (copyright, changelog.Debian.gz).
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

option(TREZIK_PACKAGE "Man pages and the Debian packages' own files (needs help2man and gzip)" OFF)
set(TREZIK_PACKAGE_RELEASE 1 CACHE STRING "The Debian revision of the packages (VERSION-RELEASE)")
set(TREZIK_PACKAGE_MAINTAINER "trezik developers <trezik@example.org>" CACHE STRING
    "The packages' Maintainer field")

set(_pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(_pkg_out ${PROJECT_BINARY_DIR}/packaging)
set(_drive_src ${PROJECT_SOURCE_DIR}/tools/simulator/default_drive)
set(_data_dir ${CMAKE_INSTALL_DATADIR}/trezik)
set(_live_program_dir ${CMAKE_INSTALL_LIBEXECDIR}/trezik)
set(_tools_doc ${CMAKE_INSTALL_DATADIR}/doc/trezik-tools)
set(_live_doc ${CMAKE_INSTALL_DATADIR}/doc/trezik-live)

# trezik-tools (either tool may be absent while it is being built).
if(TARGET trezik-drive)
  install(TARGETS trezik-drive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  install(FILES ${_drive_src}/default_drive.gpx ${_drive_src}/default_drive.script
          DESTINATION ${_data_dir} COMPONENT tools)
endif()
if(TARGET trezik-report)
  install(TARGETS trezik-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/simulator.md
              ${PROJECT_SOURCE_DIR}/docs/report.md ${PROJECT_SOURCE_DIR}/docs/files.md
        DESTINATION ${_tools_doc} COMPONENT tools)

# trezik-live, when it is built (its libraries may be missing).
if(TARGET trezik-live)
  install(TARGETS trezik-live RUNTIME DESTINATION ${_live_program_dir} COMPONENT live)
  # The command drivers type: --demo starts gpsd through gpsfake on the
  # bundled drive; anything else is trezik-live's own.
  set(TREZIK_LIVE_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/trezik/trezik-live)
  set(TREZIK_DEMO_DRIVE ${CMAKE_INSTALL_FULL_DATADIR}/trezik/default_drive.nmea)
  configure_file(${_pkg_src}/trezik-live.in ${_pkg_out}/bin/trezik-live @ONLY)
  install(PROGRAMS ${_pkg_out}/bin/trezik-live DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT live)
  install(FILES ${_drive_src}/default_drive.nmea DESTINATION ${_data_dir} COMPONENT live)

  # The user unit as installed: packaging/trezik-live.service starts the
  # program from ~/.local/bin, where docs/live.md puts it by hand; the
  # package's starts the installed command and names the installed docs.
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${_pkg_src}/trezik-live.service)
  file(READ ${_pkg_src}/trezik-live.service _unit)
  string(FIND "${_unit}" "ExecStart=%h/.local/bin/trezik-live" _at)
  if(_at EQUAL -1)
    message(FATAL_ERROR "packaging/trezik-live.service: no 'ExecStart=%h/.local/bin/trezik-live' to point at "
                        "${CMAKE_INSTALL_FULL_BINDIR}/trezik-live")
  endif()
  string(REPLACE "ExecStart=%h/.local/bin/trezik-live" "ExecStart=${CMAKE_INSTALL_FULL_BINDIR}/trezik-live"
         _unit "${_unit}")
  string(REGEX REPLACE "\nDocumentation=[^\n]*"
         "\nDocumentation=man:trezik-live(1) file://${CMAKE_INSTALL_FULL_DATADIR}/doc/trezik-live/live.md"
         _unit "${_unit}")
  file(WRITE ${_pkg_out}/trezik-live.service "${_unit}")
  install(FILES ${_pkg_out}/trezik-live.service DESTINATION lib/systemd/user
          COMPONENT live)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/live.md ${_pkg_src}/kiosk.md DESTINATION ${_live_doc}
          COMPONENT live)
endif()

if(NOT TREZIK_PACKAGE)
  return()
endif()
foreach(_program trezik-drive trezik-report trezik-live)
  if(NOT TARGET ${_program})
    message(FATAL_ERROR "TREZIK_PACKAGE: ${_program} is not built (trezik-live: bash scripts/setup.sh live)")
  endif()
endforeach()
find_program(TREZIK_HELP2MAN help2man REQUIRED)
find_program(TREZIK_GZIP gzip REQUIRED)

# Man pages from --help, through the emulator in a cross build. help2man
# names the page after the program it runs, so it runs a script of the same
# name that starts the program.
set(_man_pages)
foreach(_program trezik-drive trezik-report trezik-live)
  if(_program STREQUAL "trezik-live")
    set(_include --include=${_pkg_src}/trezik-live.h2m)
    set(_component live)
    set(_summary "the trezik trip computer in a car: fixes from gpsd, the meters on a page")
  elseif(_program STREQUAL "trezik-drive")
    set(_include --include=${_pkg_src}/trezik-tools.h2m)
    set(_component tools)
    set(_summary "replay a recorded drive through the trezik plug-in")
  else()
    set(_include --include=${_pkg_src}/trezik-tools.h2m)
    set(_component tools)
    set(_summary "the trezik plug-in's trip and fuel logs as a page with charts")
  endif()
  set(_runner ${_pkg_out}/help2man/${_program})
  file(GENERATE OUTPUT ${_runner}
       CONTENT "#!/bin/sh\nexec ${CMAKE_CROSSCOMPILING_EMULATOR} \"$<TARGET_FILE:${_program}>\" \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  set(_page ${_pkg_out}/man/${_program}.1)
  add_custom_command(
    OUTPUT ${_page}.gz
    COMMAND ${TREZIK_HELP2MAN} --no-info --no-discard-stderr --section=1 --name=${_summary}
            --version-string=${PROJECT_VERSION} ${_include} --output=${_page} ${_runner}
    COMMAND ${TREZIK_GZIP} -9nf ${_page}
    DEPENDS ${_program} ${_pkg_src}/trezik-live.h2m ${_pkg_src}/trezik-tools.h2m
    COMMENT "Man page ${_program}(1)"
    VERBATIM)
  list(APPEND _man_pages ${_page}.gz)
  install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${_component})
endforeach()

# Every Debian package has its copyright file and its changelog, compressed
# without a time stamp. The changelog's date follows SOURCE_DATE_EPOCH.
string(TIMESTAMP _date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(CONFIGURE OUTPUT ${_pkg_out}/changelog.Debian CONTENT
"trezik (${PROJECT_VERSION}-${TREZIK_PACKAGE_RELEASE}) bookworm; urgency=medium

  * trezik ${PROJECT_VERSION}: trezik-tools and trezik-live.

 -- ${TREZIK_PACKAGE_MAINTAINER}  ${_date}
" @ONLY)
add_custom_command(
  OUTPUT ${_pkg_out}/changelog.Debian.gz
  COMMAND ${TREZIK_GZIP} -9nkf ${_pkg_out}/changelog.Debian
  DEPENDS ${_pkg_out}/changelog.Debian
  VERBATIM)
add_custom_target(trezik_package_files ALL DEPENDS ${_man_pages} ${_pkg_out}/changelog.Debian.gz)
foreach(_component tools live)
  install(FILES ${_pkg_src}/copyright ${_pkg_out}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/trezik-${_component} COMPONENT ${_component})
endforeach()

# CPack: one Debian package per component, with the libraries' packages found
# by dpkg-shlibdeps. A cross build names its architecture (TREZIK_DEB_ARCH).
set(CPACK_PACKAGE_NAME trezik)
set(CPACK_PACKAGE_VENDOR "trezik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tools live)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TREZIK_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TREZIK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
if(DEFINED TREZIK_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TREZIK_DEB_ARCH})
endif()

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME trezik-tools)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "trip meter plug-in's drive simulator and log report
trezik is a trip-meter and fuel-economy plug-in for a car PC's front end.
This package holds its tools for Linux: trezik-drive replays a recorded
drive (GPX or NMEA) through the plug-in, playing the front end, and writes
the plug-in's logs and a summary of the run; a bundled drive is replayed
when none is given. trezik-report turns the plug-in's trip and fuel logs
into a page with charts and CSV files.")
set(CPACK_DEBIAN_LIVE_PACKAGE_NAME trezik-live)
set(CPACK_DEBIAN_LIVE_PACKAGE_RECOMMENDS "gpsd")
set(CPACK_DEBIAN_LIVE_PACKAGE_SUGGESTS "gpsd-clients, chromium, trezik-tools")
set(CPACK_COMPONENT_LIVE_DESCRIPTION "trip computer for a Linux car PC, fixes from gpsd
trezik-live runs the trezik trip-meter plug-in on a Linux car PC: the fixes
come from gpsd, and the meters, buttons and fuel keypad are a page served
on http://127.0.0.1:8787 for the car's touchscreen or a phone. The meters
and the trip and fuel logs live in ~/.local/share/trezik. A systemd user
unit starts it with the session (systemctl --user enable --now
trezik-live). trezik-live --demo replays a bundled drive through gpsd
(gpsfake, from gpsd-clients).")
include(CPack)
