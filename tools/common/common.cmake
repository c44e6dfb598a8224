# The tools' common ground, below every other tool: files written whole
# (a temporary file beside the target, flushed, then renamed over it) and
# temporary folders, on Linux and on Windows.
# One writer of files (StreamedFile, and WriteFileWhole through it) with
# one system part per OS.
if(WIN32)
  add_library(trezik_tools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/streamed_file.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/system_windows.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/windows_file.cc)
  target_link_libraries(trezik_tools_common PUBLIC trezik_platform)
else()
  add_library(trezik_tools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/streamed_file.cc
                                         ${CMAKE_CURRENT_LIST_DIR}/system_posix.cc)
endif()
target_include_directories(trezik_tools_common PUBLIC ${PROJECT_SOURCE_DIR})
