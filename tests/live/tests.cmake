# trezik-live's tests (Linux only, and only where trezik-live is built).
if(TARGET trezik_live AND NOT WIN32)
  trezik_add_test_folder(live LIBS trezik_live)
  # Recorded tracks are read back by trezik-drive's reader.
  target_link_libraries(track_recorder_test PRIVATE trezik_tracks)
endif()

# The page in Debian's Chromium against the real trezik-live and a real gpsd
# (gpsfake) on a recorded drive: in the native build only (the sanitized
# build runs the server's own tests). Exit 77 is a skip: no npm packages,
# Chromium, gpsfake or track, outside CI only.
find_program(TREZIK_NODE node)
if(TARGET trezik-live AND TREZIK_NODE AND NOT CMAKE_CXX_FLAGS MATCHES "fsanitize")
  add_test(NAME live_page_browser_test
           COMMAND ${TREZIK_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/live/browser/live_page_test.mjs
                   --live $<TARGET_FILE:trezik-live>
                   --track ${PROJECT_SOURCE_DIR}/../shared/tracks/20100411_Geko_Regensburg.txt)
  set_tests_properties(live_page_browser_test PROPERTIES LABELS live TIMEOUT 240 SKIP_RETURN_CODE 77)
endif()

# trezik-live against a real gpsd fed by gpsfake (live_gpsd.sh): the meters
# after a replay, after gpsd was gone and came back, and after SIGTERM,
# against trezik-drive's replay of the same drive; in both builds. Exit 77
# is a skip: no gpsfake or track, outside CI only.
if(TARGET trezik-live AND TARGET trezik-drive)
  foreach(case replay restart signal)
    add_test(NAME live_gpsd_${case}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/live/live_gpsd.sh ${case} $<TARGET_FILE:trezik-live>
                     $<TARGET_FILE:trezik-drive> ${PROJECT_SOURCE_DIR}/../shared/tracks/20100411_Geko_Regensburg.txt)
    set_tests_properties(live_gpsd_${case} PROPERTIES LABELS live TIMEOUT 180 SKIP_RETURN_CODE 77)
  endforeach()
endif()

# trezik-live and its data folder, without gpsd (live_folder.sh): one
# trezik-live per folder, failed saves, a failed write of fuelcarry.ini, an
# unreadable tripmeter.ini and the unreached gpsd told on the page, on stderr
# and in the exit code; in both builds.
if(TARGET trezik-live)
  foreach(case lock save told unread strange)
    add_test(NAME live_folder_${case}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/live/live_folder.sh ${case} $<TARGET_FILE:trezik-live>)
    set_tests_properties(live_folder_${case} PROPERTIES LABELS live TIMEOUT 60)
  endforeach()
endif()
