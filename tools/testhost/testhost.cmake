# trezik-testhost.exe: the stand-in for the PathWarden front end (Windows).
add_executable(trezik-testhost ${CMAKE_CURRENT_LIST_DIR}/testhost.cc)
target_include_directories(trezik-testhost PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(trezik-testhost PRIVATE trezik_version ole32 oleaut32 uuid user32)
target_link_options(trezik-testhost PRIVATE -static)
# Beside trezik.dll, where a user looks for it.
set_target_properties(trezik-testhost PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(TARGET trezik)
  add_dependencies(trezik-testhost trezik)
endif()
# Its import-table check is registered with the DLL's (cmake/windows_dll.cmake).
