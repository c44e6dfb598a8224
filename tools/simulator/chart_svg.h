// A picture of a simulated drive as SVG, drawn from what the plug-in did:
// the speed the host reported on top, the trip and work meters below, the
// total since the last fill-up ("triptotal") in a panel of its own at the
// bottom, against the plug-in's clock. Marked across the panels: the
// work-recording stretches, the GPS gaps the meter could not bridge, the steps the
// 2-unit bound dropped, the trip records and the fill-ups the plug-in logged,
// and the script's fill-ups it refused, with their error. The legend lists
// only what happened. The marks' labels stand in rows below the time axis,
// where no line runs, none over another; every line is thinned to at most
// four points a pixel column whatever the drive's length; the picture has a
// viewBox and no fixed size, so that it scales to its container.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/tracks/drive.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/timeline.h"

namespace trezik::drive {

// A stretch between two recorded fixes, at least 3 s long, that the meter
// could not bridge: the host held the last fix across it and the plug-in
// dropped the step to the next fix. Drive seconds of the fixes on either side.
struct GpsGap {
  double from = 0, to = 0;
};

struct ChartText {
  std::string title;
  std::string distance_unit;  // "Km" or "Mi"
  std::string speed_unit;     // "Km/h" or "MPH"
  std::string volume_unit;    // "L" or "gal"
  std::string consumption_unit = {};  // "L/100KM" or "MPG"; empty: not shown
  // The plug-in's local time at the tick of drive second 0, as seconds since
  // 1970; without it the time axis counts minutes after the first fix.
  std::optional<double> clock_start = {};
  // Which clock that is: "UTC", "UTC+2 by --utc-offset".
  std::string clock = "UTC";
  // The log gives no date: the one shown is assumed, and says so.
  bool date_assumed = false;
  std::vector<GpsGap> gaps = {};
};

// The gaps of at least 3 s the meter could not bridge (see GpsGap).
std::vector<GpsGap> FindGpsGaps(const Drive& drive, const Timeline& timeline, const SimulationResult& result);

// The chart's texts for a run: the drive's file name, the units the plug-in
// showed, its clock and the GPS gaps.
ChartText ChartTextFor(const Drive& drive, const Timeline& timeline, const SimulationOptions& options,
                       const SimulationResult& result);

std::string DrawChartSvg(const SimulationResult& result, const ChartText& text);

// "1, 2, 5 times a power of ten" tick spacing for a span cut into about
// `count` parts.
double NiceStep(double span, int count);

}  // namespace trezik::drive
