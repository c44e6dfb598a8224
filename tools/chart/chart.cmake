# SVG chart pieces shared by the drive simulator's chart and the report's.
add_library(trezik_chart STATIC ${CMAKE_CURRENT_SOURCE_DIR}/chart/svg_chart.cc)
target_include_directories(trezik_chart PUBLIC ${PROJECT_SOURCE_DIR})
