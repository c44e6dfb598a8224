#include "tools/tracks/drive_notes.h"

#include <cmath>
#include <cstdio>

#include "tools/tracks/civil_time.h"

namespace trezik::drive {

std::string Duration(double seconds) {
  const long whole = std::lround(seconds);
  char text[48];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%ld h %02ld min", whole / 3600, whole / 60 % 60);
  } else if (whole >= 60) {
    std::snprintf(text, sizeof text, "%ld min %ld s", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld s", whole);
  }
  return text;
}

std::string ClockTime(double epoch_seconds) {
  const CivilTime time = SplitEpochSeconds(epoch_seconds);
  const int seconds = static_cast<int>(time.seconds_of_day);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

namespace {

std::string Kilometres(double metres) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f km", metres / 1000.0);
  return text;
}

}  // namespace

std::string NoFixNote(std::size_t points, const std::vector<NoFixStretch>& stretches) {
  std::string note = std::to_string(points) + " track point(s) marked <fix>none</fix> left out";
  if (!stretches.empty()) {
    double seconds = 0.0, metres = 0.0;
    const NoFixStretch* longest = &stretches.front();
    for (const NoFixStretch& stretch : stretches) {
      seconds += stretch.end_time - stretch.start_time;
      metres += stretch.metres;
      if (stretch.end_time - stretch.start_time > longest->end_time - longest->start_time) longest = &stretch;
    }
    note += ", in " + std::to_string(stretches.size()) + " stretch(es) covering " + Duration(seconds) +
            " and " + Kilometres(metres);
    if (stretches.size() > 1) {
      note += "; the longest from line " + std::to_string(longest->first_line) + ", " +
              ClockTime(longest->start_time) + " to " + ClockTime(longest->end_time) + " UTC, " +
              std::to_string(longest->points) + " points, " + Duration(longest->end_time - longest->start_time) +
              ", " + Kilometres(longest->metres);
    } else {
      note += ", from line " + std::to_string(longest->first_line) + ", " + ClockTime(longest->start_time) +
              " to " + ClockTime(longest->end_time) + " UTC";
    }
  }
  return note;
}

}  // namespace trezik::drive
