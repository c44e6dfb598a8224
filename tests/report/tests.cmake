# The log report's tests (Linux only; trezik-report.exe is run under wine by
# tests/wine/report_exe.sh). The browser test
# decodes Chromium's screenshot with zlib.
if(TARGET trezik_report AND NOT WIN32)
  trezik_add_test_folder(report LIBS trezik_report)
  if(TARGET report_browser_test)
    find_package(ZLIB REQUIRED)
    target_link_libraries(report_browser_test PRIVATE ZLIB::ZLIB)
  endif()
endif()
