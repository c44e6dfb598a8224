// A later capture appended to a track file with earlier times (a logger that
// went on writing into an old file, or two files joined in the wrong order):
// the drive is the first capture, and the one at the end is named in one
// line and left out, not skipped point by point as damaged times.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/tracks/drive.h"

namespace trezik::drive {

// Fixes going back one after the other make a capture of their own appended
// to the log, rather than damaged times, when there are at least this many,
// the first goes back more than a minute, and the log ends with them.
inline constexpr std::size_t kAppendedCaptureFixes = 10;
inline constexpr double kAppendedCaptureBackSeconds = 60.0;

// Cuts the capture appended at the end of `fixes` (in file order), if there
// is one: every fix from it to the end earlier than the latest before it.
// Gives the note that names it, with `unit` ("track points") for what was
// left out; nothing when the fixes end with no such capture.
std::optional<std::string> CutAppendedCapture(std::vector<Fix>& fixes, const std::string& unit);

}  // namespace trezik::drive
