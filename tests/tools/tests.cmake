# The drive simulator's tests (Linux only: the simulator is not built for
# Windows). Each test program learns the source folder, for the default
# drive and the recorded tracks beside the project.
if(TARGET trezik_drive)
  # pugixml reads the drawn SVG back in the chart's and the command line's tests.
  find_package(pugixml REQUIRED)
  trezik_add_test_folder(tools LIBS trezik_drive pugixml::pugixml)
  file(GLOB tool_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/*_test.cc)
  foreach(source IN LISTS tool_tests)
    get_filename_component(name ${source} NAME_WE)
    if(TARGET ${name})
      target_compile_definitions(${name} PRIVATE TREZIK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    endif()
  endforeach()
  if(TARGET default_drive_test)
    add_dependencies(default_drive_test generate_default_drive)
    target_compile_definitions(default_drive_test PRIVATE
      TREZIK_GENERATOR="$<TARGET_FILE:generate_default_drive>")
  endif()
endif()
