# The simulator's benchmark: `cmake --build --preset native --target bench`
# builds bench_drive and runs it once.
find_package(benchmark REQUIRED)
add_executable(bench_drive ${CMAKE_CURRENT_SOURCE_DIR}/bench/bench_drive.cc)
target_link_libraries(bench_drive PRIVATE trezik_drive benchmark::benchmark)
add_custom_target(bench
  COMMAND bench_drive --benchmark_min_time=0.5 --benchmark_color=false
  DEPENDS bench_drive
  USES_TERMINAL
  COMMENT "Running the drive benchmark")
