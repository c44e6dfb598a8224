# The benchmarks: `cmake --build --preset native --target bench` builds and
# runs bench_drive (Google Benchmark), bench_day_drive (a day of fixes as GPX
# and NMEA, generated here at build time, and trezik-drive's time and peak
# memory on a week of them), bench_tracks (the recorded drives
# with and without minspeed=3) and bench_report, each once.
# `--target soak` runs the seven-day soak (any preset, asan too); it is no
# part of the test run.
find_package(benchmark REQUIRED)
set(TREZIK_BENCH_DIR ${CMAKE_CURRENT_SOURCE_DIR}/bench)

add_executable(bench_drive ${TREZIK_BENCH_DIR}/bench_drive.cc)
target_link_libraries(bench_drive PRIVATE trezik_drive benchmark::benchmark)

# A day of one-second fixes, written at build time and never committed.
add_executable(generate_day_drive ${TREZIK_BENCH_DIR}/generate_day_drive.cc)
set(TREZIK_DAY_DRIVE ${CMAKE_CURRENT_BINARY_DIR}/day_drive)
add_custom_command(
  OUTPUT ${TREZIK_DAY_DRIVE}.gpx ${TREZIK_DAY_DRIVE}.nmea
  COMMAND generate_day_drive ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS generate_day_drive
  COMMENT "Writing a day of fixes as GPX and NMEA")
set(TREZIK_WEEK_DRIVE ${CMAKE_CURRENT_BINARY_DIR}/7_day_drive)
add_custom_command(
  OUTPUT ${TREZIK_WEEK_DRIVE}.gpx ${TREZIK_WEEK_DRIVE}.nmea
  COMMAND generate_day_drive ${CMAKE_CURRENT_BINARY_DIR} 7
  DEPENDS generate_day_drive
  COMMENT "Writing a week of fixes as GPX and NMEA")
add_custom_target(day_drive_files
  DEPENDS ${TREZIK_DAY_DRIVE}.gpx ${TREZIK_DAY_DRIVE}.nmea ${TREZIK_WEEK_DRIVE}.gpx ${TREZIK_WEEK_DRIVE}.nmea)
add_executable(bench_day_drive ${TREZIK_BENCH_DIR}/bench_day_drive.cc)
target_link_libraries(bench_day_drive PRIVATE trezik_drive)

# The recorded drives beside the project, with and without minspeed=3.
add_executable(bench_tracks ${TREZIK_BENCH_DIR}/bench_tracks.cc)
target_link_libraries(bench_tracks PRIVATE trezik_drive)

# bench_report: reading and reporting a generated ten-year history.
add_executable(bench_report ${TREZIK_BENCH_DIR}/bench_report.cc)
target_link_libraries(bench_report PRIVATE trezik_report trezik_contract)

add_custom_target(bench
  COMMAND bench_drive --benchmark_min_time=0.5 --benchmark_color=false
  COMMAND bench_day_drive ${TREZIK_DAY_DRIVE}.gpx ${TREZIK_DAY_DRIVE}.nmea
          $<TARGET_FILE:trezik-drive> ${TREZIK_WEEK_DRIVE}.gpx ${TREZIK_WEEK_DRIVE}.nmea
  COMMAND bench_tracks ${PROJECT_SOURCE_DIR}/../shared/tracks
  COMMAND bench_report
  DEPENDS bench_drive bench_day_drive day_drive_files trezik-drive bench_tracks bench_report
  USES_TERMINAL
  COMMENT "Running the benchmarks")

# Seven simulated days with autosave and a reply fuzzer; heap must not grow.
add_executable(soak_drive ${TREZIK_BENCH_DIR}/soak.cc)
target_link_libraries(soak_drive PRIVATE trezik_plugin trezik_host trezik_tools_common)
add_custom_target(soak
  COMMAND soak_drive 7
  DEPENDS soak_drive
  USES_TERMINAL
  COMMENT "Soak: seven simulated days through the emulation")
