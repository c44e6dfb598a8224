# trezik-report: a report of the plug-in's trip and fuel logs as a page and
# CSV files (docs/report.md). On Linux, and for Windows through
# report_windows.cmake (trezik-report.exe); report_system.cmake adds the files
# that differ between the two.
find_package(CLI11 REQUIRED)

set(TREZIK_REPORT_DIR ${CMAKE_CURRENT_SOURCE_DIR}/report)
add_library(trezik_report STATIC
  ${TREZIK_REPORT_DIR}/calendar.cc
  ${TREZIK_REPORT_DIR}/trezik_report.cc
  ${TREZIK_REPORT_DIR}/csv.cc
  ${TREZIK_REPORT_DIR}/csv_files.cc
  ${TREZIK_REPORT_DIR}/figures.cc
  ${TREZIK_REPORT_DIR}/line_reader.cc
  ${TREZIK_REPORT_DIR}/log_reader.cc
  ${TREZIK_REPORT_DIR}/number_text.cc
  ${TREZIK_REPORT_DIR}/page_charts.cc
  ${TREZIK_REPORT_DIR}/page_tables.cc
  ${TREZIK_REPORT_DIR}/page_totals.cc
  ${TREZIK_REPORT_DIR}/report.cc
  ${TREZIK_REPORT_DIR}/report_html.cc
  ${TREZIK_REPORT_DIR}/run_summary_section.cc
  ${TREZIK_REPORT_DIR}/series.cc
  ${TREZIK_REPORT_DIR}/unit_system.cc
)
target_include_directories(trezik_report PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(trezik_report PUBLIC trezik_contract trezik_core trezik_chart trezik_tools_common trezik_version CLI11::CLI11)

add_executable(trezik-report ${TREZIK_REPORT_DIR}/main.cc)
target_link_libraries(trezik-report PRIVATE trezik_report)
