# trezik-testhost.exe: the stand-in for the PathWarden front end (Windows).
# main.cc reads the command line and plays or serves the scenario
# (scenario.cc); host_window.cc is the "PathWarden" window, plugin_client.cc
# creates and calls the plug-in, output.cc prints the results. It answers
# the plug-in's requests through the host layer's host/requests.h, as the
# Linux host does. It pumps
# messages through the platform seam's PumpMessagesFor.
add_executable(trezik-testhost
  ${CMAKE_CURRENT_LIST_DIR}/main.cc
  ${CMAKE_CURRENT_LIST_DIR}/host_window.cc
  ${CMAKE_CURRENT_LIST_DIR}/output.cc
  ${CMAKE_CURRENT_LIST_DIR}/plugin_client.cc
  ${CMAKE_CURRENT_LIST_DIR}/scenario.cc)
target_include_directories(trezik-testhost PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(trezik-testhost PRIVATE trezik_host trezik_platform trezik_version ole32 oleaut32
                                              uuid user32)
target_link_options(trezik-testhost PRIVATE -static)
# Beside trezik.dll, where a user looks for it.
set_target_properties(trezik-testhost PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(TARGET trezik)
  add_dependencies(trezik-testhost trezik)
endif()
# Its import-table check is registered with the DLL's (cmake/windows_dll.cmake).
