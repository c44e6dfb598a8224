// How far the plug-in's trip meter is from the length of the drive measured
// on the WGS84 ellipsoid (GeographicLib's geodesics).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/simulator/drive.h"
#include "tools/simulator/simulation.h"

namespace trezik::drive {

// Below this many distance units a reference is too short for a percentage:
// the few centimetres the formula adds to a standing car would read as
// tens of percent.
inline constexpr double kShortestReference = 0.1;

// A tick counts as standing when the speed the host reported for it is below
// this many km/h.
inline constexpr double kStandingSpeedKmh = 1.0;

struct Accuracy {
  PluginOptions options;           // the run's, from its trezik.ini
  double odometer = 0.0;           // what the meter counted over the whole drive, user units
  // Over the steps the meter counted, each from the fix the plug-in measured
  // it from: GeographicLib's geodesic, and the plug-in's two formulas
  // (greatcircledistance1 on the sphere, Wgs84NauticalMiles) before the
  // calibration.
  double geodesic_counted = 0.0;
  double sphere_counted = 0.0;
  double wgs84_counted = 0.0;
  double geodesic_reported = 0.0;  // of every step between the fixes the host reported
  double geodesic_dropped = 0.0;   // of the steps the 2-unit bound dropped
  // Along the fixes of the file itself, leaving out the steps of 2 units or
  // more between two of them (GPS jumps, and gaps the bound drops anyway).
  double geodesic_recorded = 0.0;
  std::size_t steps = 0, dropped_steps = 0, recorded_jumps = 0;
  // The ticks the standstill filter held (nothing measured).
  std::size_t held_steps = 0;
  // The ticks the car stood (reported speed under kStandingSpeedKmh): how
  // many, what the meter counted in them, and the geodesic of the reported
  // positions' wandering over them.
  std::size_t standing_ticks = 0;
  double standing_creep = 0.0;
  double standing_geodesic = 0.0;

  // What the plug-in's formula measured over the counted steps: the meter
  // without its calibration.
  double measured() const { return odometer / options.calibration; }
  // measured / geodesic_counted - 1: the error of the formula the plug-in
  // used alone; nothing when the geodesic is shorter than kShortestReference.
  std::optional<double> formula_error() const;
  // odometer / geodesic_recorded - 1: the formula, the calibration, the
  // once-a-second sampling, the standstill filter and the bound together;
  // nothing when the geodesic is too short.
  std::optional<double> overall_error() const;
};

// `value` / `reference` - 1, or nothing when the reference is shorter than
// kShortestReference.
std::optional<double> RelativeError(double value, double reference);

// Measures the steps between the positions that the plug-in received
// (result.latitudes/longitudes), in the unit of result.multiplier.
Accuracy MeasureAccuracy(const Drive& drive, const SimulationResult& result);

// A few lines for the summary. With distance=wgs84 the spherical and the
// WGS84 formula stand side by side.
std::string DescribeAccuracy(const Accuracy& accuracy, const std::string& unit);

}  // namespace trezik::drive
