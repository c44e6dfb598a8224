// The words of the drive readers' notes and refusals: clock times, spans,
// and the stretches of points without a fix.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/tracks/drive.h"

namespace trezik::drive {

// "2 min 26 s", "45 s", "1 h 02 min".
std::string Duration(double seconds);
// "12:31:38", of seconds since 1970 (UTC).
std::string ClockTime(double epoch_seconds);

// "89 track point(s) marked <fix>none</fix> left out, in 10 stretch(es)
// covering 3 min 2 s and 1.62 km; the longest from line 812, 12:31:38 to
// 12:34:04 UTC, 62 points, 2 min 26 s, 1.24 km".
std::string NoFixNote(std::size_t points, const std::vector<NoFixStretch>& stretches);

}  // namespace trezik::drive
