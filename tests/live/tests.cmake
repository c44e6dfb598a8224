# trezik-live's tests (Linux only, and only where trezik-live is built).
if(TARGET trezik_live AND NOT WIN32)
  trezik_add_test_folder(live LIBS trezik_live)
endif()
