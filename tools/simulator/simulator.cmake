# The drive simulator: trezik-drive replays a recorded drive through the
# plug-in on Linux, playing the host application.
set(TREZIK_SIMULATOR_DIR ${CMAKE_CURRENT_SOURCE_DIR}/simulator)

add_library(trezik_drive STATIC
  ${TREZIK_SIMULATOR_DIR}/accuracy.cc
  ${TREZIK_SIMULATOR_DIR}/accuracy_verdict.cc
  ${TREZIK_SIMULATOR_DIR}/chart_layout.cc
  ${TREZIK_SIMULATOR_DIR}/chart_svg.cc
  ${TREZIK_SIMULATOR_DIR}/cli.cc
  ${TREZIK_SIMULATOR_DIR}/command_line.cc
  ${TREZIK_SIMULATOR_DIR}/display.cc
  ${TREZIK_SIMULATOR_DIR}/run_summary.cc
  ${TREZIK_SIMULATOR_DIR}/recorded_fixes.cc
  ${TREZIK_SIMULATOR_DIR}/log_files.cc
  ${TREZIK_SIMULATOR_DIR}/plugin_settings.cc
  ${TREZIK_SIMULATOR_DIR}/scenario.cc
  ${TREZIK_SIMULATOR_DIR}/simulation.cc
  ${TREZIK_SIMULATOR_DIR}/simulation_folders.cc
  ${TREZIK_SIMULATOR_DIR}/simulation_session.cc
  ${TREZIK_SIMULATOR_DIR}/simulation_steps.cc
  ${TREZIK_SIMULATOR_DIR}/simulation_ticks.cc
  ${TREZIK_SIMULATOR_DIR}/skin_script.cc
  ${TREZIK_SIMULATOR_DIR}/summary.cc
  ${TREZIK_SIMULATOR_DIR}/text_width.cc
  ${TREZIK_SIMULATOR_DIR}/timeline.cc
  ${TREZIK_SIMULATOR_DIR}/trip_headline.cc
)
target_include_directories(trezik_drive PUBLIC ${PROJECT_SOURCE_DIR} ${GeographicLib_INCLUDE_DIRS})
target_link_libraries(trezik_drive PUBLIC trezik_tracks trezik_plugin trezik_host
                      ${GeographicLib_LIBRARIES})
# The command line (CLI11, --version), and the history report of the run,
# written with trezik-report's library (whose trezik_tools_common writes whole
# files for both).
find_package(CLI11 REQUIRED)
target_link_libraries(trezik_drive PUBLIC trezik_report CLI11::CLI11 trezik_version)

add_executable(trezik-drive ${TREZIK_SIMULATOR_DIR}/main.cc)
target_link_libraries(trezik-drive PRIVATE trezik_drive)
# The bundled drive: in the sources for a run from the build folder, and in
# the data folder (DATADIR/trezik) beside an installed trezik-drive.
include(GNUInstallDirs)
file(RELATIVE_PATH _trezik_installed_drive ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/trezik)
target_compile_definitions(trezik-drive PRIVATE
  TREZIK_DEFAULT_DRIVE_DIR="${TREZIK_SIMULATOR_DIR}/default_drive"
  TREZIK_INSTALLED_DRIVE_DIR="${_trezik_installed_drive}")

# The generator of the bundled default drive; its output is committed.
add_executable(generate_default_drive ${TREZIK_SIMULATOR_DIR}/default_drive/generate_default_drive.cc)
target_include_directories(generate_default_drive PRIVATE ${GeographicLib_INCLUDE_DIRS})
target_link_libraries(generate_default_drive PRIVATE ${GeographicLib_LIBRARIES} trezik_tools_common)
add_custom_target(default_drive
  COMMAND generate_default_drive ${TREZIK_SIMULATOR_DIR}/default_drive
  COMMENT "Regenerating tools/simulator/default_drive")

include(${CMAKE_CURRENT_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
