#include "tools/simulator/page_summary.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/simulator/display.h"
#include "tools/simulator/trip_headline.h"

namespace trezik::drive {

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const std::size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) lines.push_back(line);
  }
  return lines;
}

// "Trip      24.03 Km ..." -> "Trip: 24.03 Km ..."; continuation lines as they are.
std::string Unpadded(const std::string& line) {
  const std::size_t gap = line.find("  ");
  const std::size_t rest = line.find_first_not_of(' ', gap == std::string::npos ? 0 : gap);
  if (gap == std::string::npos || gap == 0 || rest == std::string::npos) return line.substr(line.find_first_not_of(' '));
  return line.substr(0, gap) + ": " + line.substr(rest);
}

}  // namespace

std::string ClockName(double utc_offset_hours) {
  if (utc_offset_hours == 0.0) return "UTC";
  char text[48];
  const long all_minutes = std::lround(std::abs(utc_offset_hours) * 60.0);
  const int whole = static_cast<int>(all_minutes / 60), minutes = static_cast<int>(all_minutes % 60);
  if (minutes == 0) {
    std::snprintf(text, sizeof text, "UTC%c%d", utc_offset_hours < 0 ? '-' : '+', whole);
  } else {
    std::snprintf(text, sizeof text, "UTC%c%d:%02d", utc_offset_hours < 0 ? '-' : '+', whole, minutes);
  }
  return text;
}

std::string ClockOf(const SimulationOptions& options) {
  const std::string name = ClockName(options.utc_offset_hours);
  switch (options.clock_source) {
    case SimulationOptions::ClockSource::kOption:
      return options.utc_offset_hours != 0.0 ? name + " by --utc-offset" : name;
    case SimulationOptions::ClockSource::kLog:
      return name + ", the log's own";
    case SimulationOptions::ClockSource::kUtc:
      break;
  }
  return name;
}

report::RunSummary RunSummaryFor(const SummaryInput& in) {
  report::RunSummary s;
  const SimulationResult& r = *in.result;
  const TripHeadline trip = MeasureTrip(r);
  std::string pending;  // a headline line with its continuation
  for (const std::string& line : Lines(DescribeTrip(trip, r, in.imperial))) {
    if (line[0] != ' ') {
      if (!pending.empty()) s.headline.push_back(pending);
      pending = Unpadded(line);
    } else {
      const std::string more = line.substr(line.find_first_not_of(' '));
      pending += (more[0] == '(' ? " " : "; ") + more;
    }
  }
  if (!pending.empty()) s.headline.push_back(pending);
  if (r.interrupted_after) {
    s.notes.push_back("Interrupted by Ctrl-C after the tick of " + DriveClock(*r.interrupted_after) +
                      ": the figures cover the drive up to there.");
  }
  const std::string& unit = r.final_labels.distunit;
  s.verdict = AccuracyVerdict(*in.accuracy, unit);
  s.correct = in.accuracy->correct();
  for (const std::string& note : AccuracyNotes(*in.accuracy, unit)) s.notes.push_back(note);
  const SimulationOptions& options = in.simulation->options();
  const double offset = options.utc_offset_hours;
  if (options.clock_source == SimulationOptions::ClockSource::kLog) {
    s.notes.push_back("Clock: the plug-in's local time is the log's own, " + ClockName(offset) +
                      " (the offset its times carry; --utc-offset sets another).");
  } else {
    s.notes.push_back("Clock: the plug-in's local time is the drive's UTC time" +
                      (offset == 0.0 ? std::string(" (no --utc-offset given)")
                                     : " shifted by --utc-offset, " + ClockName(offset)) +
                      ".");
  }
  if (in.drive) {
    for (const std::string& note : in.drive->notes) s.notes.push_back("Drive: " + note + ".");
  }
  s.notes.push_back("Gaps: " + in.simulation->timeline().Describe() + ".");
  return s;
}

}  // namespace trezik::drive
