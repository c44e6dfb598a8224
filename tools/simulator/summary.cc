#include "tools/simulator/summary.h"

#include <cstdio>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "contract/vocabulary.h"
#include "tools/simulator/display.h"
#include "tools/simulator/text_width.h"
#include "tools/simulator/trip_headline.h"

namespace trezik::drive {

std::vector<std::string> LogRecords(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string WriteSummary(const SummaryInput& in) {
  const Drive& drive = *in.drive;
  const SimulationResult& r = *in.result;
  const Labels& l = r.final_labels;
  std::ostringstream text;
  char buffer[256];

  text << DescribeTrip(MeasureTrip(r), r, in.imperial);
  if (r.interrupted_after) {
    text << "          INTERRUPTED by Ctrl-C after the tick of " << DriveClock(*r.interrupted_after) << " of "
         << DriveClock(in.simulation->timeline().last_second()) << ": no \"end\" steps; the plug-in was released\n"
         << "          and saved its meters; the figures cover the drive up to there\n";
  }
  text << "\nAccuracy\n" << DescribeAccuracyForDriver(*in.accuracy, l.distunit, in.imperial);

  text << "\nDrive     " << drive.path << "\n"
       << "          " << drive.format << ", " << drive.fixes.size() << " fixes, "
       << DriveClock(static_cast<int>(drive.duration())).substr(1) << " from the first fix to the last\n";
  for (const std::string& note : drive.notes) text << "          " << note << "\n";
  text << "          " << in.simulation->timeline().Describe() << "\n";
  text << "Script    " << (in.script->path.empty() ? "(none)" : in.script->path) << ", " << in.script->steps.size()
       << " step(s)\n";
  text << in.settings;
  if (in.details) {
    const double simulated = static_cast<double>(r.ticks.size());
    std::snprintf(buffer, sizeof buffer, "Run       %zu ticks of Timer1 in %.3f s of wall time (%.0f times real time)\n",
                  r.ticks.size(), r.wall_seconds, r.wall_seconds > 0 ? simulated / r.wall_seconds : 0.0);
    text << buffer;
    text << "          " << r.host_messages << " messages to the host, " << r.exits << " \"exit\"\n";
  }

  const Labels& a = r.arrival_labels;
  // The table where it fits, else one label a line.
  const bool table = in.width >= 64;
  auto row = [&](std::string_view shown, const std::string& at_arrival, const std::string& at_end,
                 const std::string& unit) {
    const std::string name_text(shown);
    const char* name = name_text.c_str();
    if (table) {
      std::snprintf(buffer, sizeof buffer, "  %-19s %-16s %-16s %s\n", name, at_arrival.c_str(), at_end.c_str(),
                    unit.c_str());
    } else {
      std::snprintf(buffer, sizeof buffer, "  %s: %s, then %s %s\n", name, at_arrival.c_str(), at_end.c_str(),
                    unit.c_str());
    }
    text << buffer;
  };
  text << (table ? "\nLabels              at arrival       after the end steps\n"
                 : "\nLabels at arrival, then after the end steps\n");
  using vocabulary::Label;
  // Every label of the skin, with the unit its figure is in.
  auto shown = [](const Labels& labels, Label label) {
    for (std::size_t i = 0; i < std::size(vocabulary::kLabels) && i < labels.every.size(); ++i) {
      if (vocabulary::kLabels[i].label == label) return labels.every[i];
    }
    return std::string();
  };
  const std::string volume_unit = shown(l, Label::kVolumeUnits);
  auto unit = [&](Label label) -> std::string {
    switch (label) {
      case Label::kTripMeter: case Label::kTripTotal: case Label::kWorkMeter: case Label::kRange: return l.distunit;
      case Label::kAverageSpeed: case Label::kMaxSpeed: return l.speedunits;
      case Label::kConsumption: return l.consumpunits;
      case Label::kCostPerDistance: return "per " + l.distunit;
      case Label::kFuelEntry: return volume_unit;
      case Label::kUnitPrice: return "per " + volume_unit;
      case Label::kTripTime: return "h:mm";
      default: return "";
    }
  };
  for (const vocabulary::LabelName& label : vocabulary::kLabels) {
    row(label.name, shown(a, label.label), shown(l, label.label), unit(label.label));
  }
  row(vocabulary::kWorkIndicator, a.workrec, l.workrec, "");
  if ((a.avspeed + l.avspeed + a.tripmeter + l.tripmeter + a.mpg + l.mpg).find("error:") != std::string::npos) {
    text << "  (a label that fails shows the error the host gets from it; \"avspeed\" fails in the second a "
            "trip starts, as the elapsed time is 0)\n";
  }
  text << "\nScript steps\n";
  for (const Event& event : r.events) {
    text << "  " << DriveClock(event.second) << (event.failed ? "  FAILED " : "  ") << event.text << "\n";
  }
  if (r.events.empty()) text << "  (none)\n";

  if (in.details) {
    text << "\nSteps dropped by the 2-unit bound: " << r.dropped.size() << "\n";
    for (const DroppedStep& step : r.dropped) {
      std::snprintf(buffer, sizeof buffer, "  %s  %.3f %s\n", DriveClock(step.second).c_str(), step.length,
                    l.distunit.c_str());
      text << buffer;
    }
    text << "\nAccuracy of the trip meter against the WGS84 ellipsoid (GeographicLib)\n"
         << DescribeAccuracy(*in.accuracy, l.distunit)
         << (in.accuracy->options.trip.wgs84
                 ? "  (distance=wgs84: the plug-in measures each step on the WGS84 ellipsoid by Vincenty's method)\n"
                 : "  (the plug-in measures on a sphere of 3437.747 nautical miles = 6366.71 km radius by the law "
                   "of cosines, which keeps only a few digits for one-second steps)\n");
  }

  if (!in.odometer.empty()) text << "\n" << in.odometer;

  auto records = [&](const char* title, const std::string& path) {
    const std::vector<std::string> lines = LogRecords(path);
    text << "  " << path << (std::filesystem::exists(path) ? "" : "  (not written)") << "\n";
    if (title[0] != '\0') {
      for (const std::string& line : lines) text << "      " << line << "\n";
    }
  };
  text << "\nFiles\n";
  records("", r.pw_ini);
  if (std::filesystem::exists(r.trezik_ini)) records("", r.trezik_ini);
  records("state", r.tripmeter_ini);
  records("trip", r.tripmeter_log);
  records("fuel", r.fuel_log);
  for (const std::string& path : in.outputs) text << "  " << path << "\n";
  if (!in.report_page.empty()) {
    text << "\nReport    " << in.report_page << "\n"
         << "          the plug-in's trip and fuel logs as a page with charts: open it in a browser\n";
  }
  if (!in.details) text << "\n(--details adds the run's ticks and messages and the formula's accuracy)\n";
  return FitWidth(text.str(), in.width);
}

}  // namespace trezik::drive
