// A picture of a simulated drive as SVG: the speed the host reported above,
// the three meters below, with the work-recording stretches shaded, the
// steps the 2-unit bound dropped marked and the fill-ups drawn as lines.
#pragma once

#include <string>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

struct ChartText {
  std::string title;
  std::string distance_unit;  // "Km" or "Mi"
  std::string speed_unit;     // "Km/h" or "MPH"
  std::string volume_unit;    // "L" or "gal"
};

std::string DrawChartSvg(const SimulationResult& result, const ChartText& text);

// "1, 2, 5 times a power of ten" tick spacing for a span cut into about
// `count` parts.
double NiceStep(double span, int count);

}  // namespace trezik::drive
