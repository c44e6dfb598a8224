// How far the plug-in's trip meter is from the length of the drive measured
// on the WGS84 ellipsoid (GeographicLib's geodesics).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/simulator/drive.h"
#include "tools/simulator/simulation.h"

namespace trezik::drive {

struct Accuracy {
  double odometer = 0.0;           // what the meter counted over the whole drive, user units
  double geodesic_counted = 0.0;   // geodesic length of the steps the meter counted
  double geodesic_reported = 0.0;  // of every step between the fixes the host reported
  double geodesic_dropped = 0.0;   // of the steps the 2-unit bound dropped
  // Along the fixes of the file itself, leaving out the steps of 2 units or
  // more between two of them (GPS jumps, and gaps the bound drops anyway).
  double geodesic_recorded = 0.0;
  std::size_t steps = 0, dropped_steps = 0, recorded_jumps = 0;
  // odometer / geodesic_counted - 1: the error of the spherical formula alone.
  double formula_error() const;
  // odometer / geodesic_recorded - 1: the formula together with what the
  // once-a-second sampling and the bound change.
  double overall_error() const;
};

// Measures the steps between consecutive positions that the plug-in received
// (result.latitudes/longitudes), in the unit of result.multiplier.
Accuracy MeasureAccuracy(const Drive& drive, const SimulationResult& result);

// A few lines for the summary.
std::string DescribeAccuracy(const Accuracy& accuracy, const std::string& unit);

}  // namespace trezik::drive
