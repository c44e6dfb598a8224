#include "tools/tracks/appended_capture.h"

#include <algorithm>
#include <limits>

#include "tools/tracks/drive_notes.h"

namespace trezik::drive {

std::optional<std::string> CutAppendedCapture(std::vector<Fix>& fixes, const std::string& unit) {
  const std::size_t n = fixes.size();
  if (n < kAppendedCaptureFixes + 2) return std::nullopt;
  // The latest time up to each fix, and where it was.
  std::vector<std::size_t> latest_upto(n);
  for (std::size_t i = 1; i < n; ++i) {
    const std::size_t before = latest_upto[i - 1];
    latest_upto[i] = fixes[i].time > fixes[before].time ? i : before;
  }
  // The longest tail that lies wholly before the latest fix ahead of it.
  double tail_latest = -std::numeric_limits<double>::infinity();
  std::optional<std::size_t> start;
  for (std::size_t t = n - 1; t >= 1; --t) {
    tail_latest = std::max(tail_latest, fixes[t].time);
    const Fix& latest = fixes[latest_upto[t - 1]];
    if (tail_latest >= latest.time) break;
    if (n - t >= kAppendedCaptureFixes && fixes[t].time < latest.time - kAppendedCaptureBackSeconds) start = t;
  }
  if (!start) return std::nullopt;
  const Fix& first = fixes[*start];
  const Fix& latest = fixes[latest_upto[*start - 1]];
  const std::string note = "line " + std::to_string(first.line) +
                           " starts another capture appended to the file: its time goes back " +
                           Duration(latest.time - first.time) + " from the point of line " +
                           std::to_string(latest.line) + ", so its " + std::to_string(n - *start) + " " + unit +
                           " (lines " + std::to_string(first.line) + " to " + std::to_string(fixes.back().line) +
                           ") are left out; give that part to trezik-drive as a drive of its own";
  fixes.resize(*start);
  return note;
}

}  // namespace trezik::drive
