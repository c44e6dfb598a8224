# The tools' common ground, below every other tool: files written whole
# (a temporary file beside the target, flushed, then renamed over it) and
# temporary folders, on Linux and on Windows.
if(WIN32)
  add_library(trezik_tools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file_windows.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/windows_file.cc)
  target_link_libraries(trezik_tools_common PUBLIC trezik_platform)
else()
  add_library(trezik_tools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cc)
endif()
target_include_directories(trezik_tools_common PUBLIC ${PROJECT_SOURCE_DIR})
