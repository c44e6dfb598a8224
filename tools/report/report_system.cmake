# trezik-report's reach into the system, one file per platform chosen here:
# paths from UTF-8 texts, the logs' texts as UTF-8, opening the page (--open), and the page written
# when there are no logs yet. Included after report.cmake.
if(NOT TARGET trezik_report)
  return()
endif()
if(WIN32)
  set(_trezik_system windows)
else()
  set(_trezik_system posix)
endif()
target_sources(trezik_report PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/native_path_${_trezik_system}.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_text_${_trezik_system}.cc
  ${CMAKE_CURRENT_LIST_DIR}/open_page.cc
  ${CMAKE_CURRENT_LIST_DIR}/open_page_${_trezik_system}.cc
  ${CMAKE_CURRENT_LIST_DIR}/no_logs_page.cc
)
if(WIN32)
  target_link_libraries(trezik_report PUBLIC trezik_platform shell32 ole32)
endif()
