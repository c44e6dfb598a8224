# Reading drives: NMEA logs and GPX tracks (UTF-8 or UTF-16, appended
# captures, damaged lines counted) into the fixes of a Drive, with the
# geodesic the readers and the simulator measure steps by. It needs only
# the core's conversions, expat and GeographicLib; the drive simulator and
# the bench read their drives with it.
find_package(EXPAT REQUIRED)
list(APPEND CMAKE_MODULE_PATH /usr/share/cmake/geographiclib)
find_package(GeographicLib REQUIRED)

set(TREZIK_TRACKS_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tracks)

add_library(trezik_tracks STATIC
  ${TREZIK_TRACKS_DIR}/appended_capture.cc
  ${TREZIK_TRACKS_DIR}/civil_time.cc
  ${TREZIK_TRACKS_DIR}/drive.cc
  ${TREZIK_TRACKS_DIR}/drive_notes.cc
  ${TREZIK_TRACKS_DIR}/geodesic.cc
  ${TREZIK_TRACKS_DIR}/gpx_reader.cc
  ${TREZIK_TRACKS_DIR}/input_file.cc
  ${TREZIK_TRACKS_DIR}/nmea_fields.cc
  ${TREZIK_TRACKS_DIR}/nmea_fix_order.cc
  ${TREZIK_TRACKS_DIR}/nmea_reader.cc
  ${TREZIK_TRACKS_DIR}/read_drive.cc
)
target_include_directories(trezik_tracks PUBLIC ${PROJECT_SOURCE_DIR} ${GeographicLib_INCLUDE_DIRS})
target_link_libraries(trezik_tracks PUBLIC trezik_core EXPAT::EXPAT ${GeographicLib_LIBRARIES})
