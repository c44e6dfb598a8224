# trezik-live: the plug-in in a car on Linux, with fixes from gpsd and a
# dashboard in the browser.
# Its packages come with "scripts/setup.sh live" (and with the whole setup);
# a machine set up for the simulator alone builds without it.
find_package(PkgConfig)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(LIBGPS IMPORTED_TARGET libgps)
  pkg_check_modules(MICROHTTPD IMPORTED_TARGET libmicrohttpd)
endif()
find_package(nlohmann_json QUIET)
if(NOT LIBGPS_FOUND OR NOT MICROHTTPD_FOUND OR NOT nlohmann_json_FOUND)
  message(STATUS "trezik-live is not built: libgps-dev, libmicrohttpd-dev or nlohmann-json3-dev is missing "
                 "(bash scripts/setup.sh live)")
  return()
endif()
find_package(Threads REQUIRED)

set(TREZIK_LIVE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/live)

find_package(CLI11 REQUIRED)

# The plug-in's side (gpsd's fixes, the host and its tick loop, the data
# folder, the ending signals, the command line) and the dashboard's server
# and page, with the exchange between the two.
add_library(trezik_live STATIC
  ${TREZIK_LIVE_DIR}/live_command_line.cc
  ${TREZIK_LIVE_DIR}/connection_watch.cc
  ${TREZIK_LIVE_DIR}/dashboard.cc
  ${TREZIK_LIVE_DIR}/dashboard_json.cc
  ${TREZIK_LIVE_DIR}/data_folder.cc
  ${TREZIK_LIVE_DIR}/fix_rules.cc
  ${TREZIK_LIVE_DIR}/folder_lock.cc
  ${TREZIK_LIVE_DIR}/gpsd_reach.cc
  ${TREZIK_LIVE_DIR}/gpsd_receiver.cc
  ${TREZIK_LIVE_DIR}/history_page.cc
  ${TREZIK_LIVE_DIR}/history_view.cc
  ${TREZIK_LIVE_DIR}/http_answer.cc
  ${TREZIK_LIVE_DIR}/live_loop.cc
  ${TREZIK_LIVE_DIR}/live_session.cc
  ${TREZIK_LIVE_DIR}/page.cc
  ${TREZIK_LIVE_DIR}/page_script.cc
  ${TREZIK_LIVE_DIR}/page_style.cc
  ${TREZIK_LIVE_DIR}/places.cc
  ${TREZIK_LIVE_DIR}/request_guard.cc
  ${TREZIK_LIVE_DIR}/server.cc
  ${TREZIK_LIVE_DIR}/server_events.cc
  ${TREZIK_LIVE_DIR}/server_requests.cc
  ${TREZIK_LIVE_DIR}/signal_watcher.cc
  ${TREZIK_LIVE_DIR}/tick_clock.cc
  ${TREZIK_LIVE_DIR}/token_throttle.cc
  ${TREZIK_LIVE_DIR}/track_recorder.cc
  ${TREZIK_LIVE_DIR}/watched_platform.cc
)
target_include_directories(trezik_live PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(trezik_live PUBLIC trezik_plugin trezik_host trezik_tools_common trezik_report trezik_version
                      CLI11::CLI11 PkgConfig::LIBGPS PkgConfig::MICROHTTPD nlohmann_json::nlohmann_json
                      Threads::Threads)

add_executable(trezik-live ${TREZIK_LIVE_DIR}/main.cc)
target_link_libraries(trezik-live PRIVATE trezik_live)
