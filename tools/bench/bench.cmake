# The benchmarks: `cmake --build --preset native --target bench` builds
# bench_drive and bench_report and runs each once.
find_package(benchmark REQUIRED)
add_executable(bench_drive ${CMAKE_CURRENT_SOURCE_DIR}/bench/bench_drive.cc)
target_link_libraries(bench_drive PRIVATE trezik_drive benchmark::benchmark)
# bench_report: reading and reporting a generated ten-year history.
add_executable(bench_report ${CMAKE_CURRENT_SOURCE_DIR}/bench/bench_report.cc)
target_link_libraries(bench_report PRIVATE trezik_report trezik_plugin)
add_custom_target(bench
  COMMAND bench_drive --benchmark_min_time=0.5 --benchmark_color=false
  COMMAND bench_report
  DEPENDS bench_drive bench_report
  USES_TERMINAL
  COMMENT "Running the drive benchmark")
