#include "tools/simulator/accuracy.h"

#include <cstdio>
#include <set>

#include "tools/simulator/timeline.h"
#include "trip/units.h"

namespace trezik::drive {

double Accuracy::formula_error() const {
  return geodesic_counted > 0 ? odometer / geodesic_counted - 1.0 : 0.0;
}

double Accuracy::overall_error() const {
  return geodesic_recorded > 0 ? odometer / geodesic_recorded - 1.0 : 0.0;
}

Accuracy MeasureAccuracy(const Drive& drive, const SimulationResult& result) {
  Accuracy accuracy;
  const double metres_per_unit = result.multiplier * 1000.0;
  accuracy.odometer = result.odometer;
  std::set<int> dropped;
  for (const DroppedStep& step : result.dropped) dropped.insert(step.second);
  accuracy.dropped_steps = dropped.size();
  for (std::size_t i = 1; i < result.latitudes.size(); ++i) {
    const double metres = GeodesicMetres(result.latitudes[i - 1], result.longitudes[i - 1],
                                         result.latitudes[i], result.longitudes[i]);
    ++accuracy.steps;
    accuracy.geodesic_reported += metres;
    if (dropped.count(static_cast<int>(i))) {
      accuracy.geodesic_dropped += metres;
    } else {
      accuracy.geodesic_counted += metres;
    }
  }
  for (std::size_t i = 1; i < drive.fixes.size(); ++i) {
    const Fix& a = drive.fixes[i - 1];
    const Fix& b = drive.fixes[i];
    const double metres = GeodesicMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    if (metres >= kStepBound * metres_per_unit) {
      ++accuracy.recorded_jumps;
    } else {
      accuracy.geodesic_recorded += metres;
    }
  }
  accuracy.geodesic_counted /= metres_per_unit;
  accuracy.geodesic_reported /= metres_per_unit;
  accuracy.geodesic_dropped /= metres_per_unit;
  accuracy.geodesic_recorded /= metres_per_unit;
  return accuracy;
}

std::string DescribeAccuracy(const Accuracy& a, const std::string& unit) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "  trip meter, whole drive:                %.4f %s\n"
                "  WGS84 geodesic of the counted steps:    %.4f %s  -> the spherical formula is off by %+.3f %%\n"
                "  WGS84 geodesic of all reported steps:   %.4f %s  (%zu step(s) dropped by the 2-unit bound: %.4f %s)\n"
                "  WGS84 geodesic along the recorded fixes: %.4f %s  -> the meter is off by %+.3f %% in all\n"
                "    (leaving out %zu step(s) of 2 %s or more between recorded fixes)\n",
                a.odometer, unit.c_str(), a.geodesic_counted, unit.c_str(), a.formula_error() * 100.0,
                a.geodesic_reported, unit.c_str(), a.dropped_steps, a.geodesic_dropped, unit.c_str(),
                a.geodesic_recorded, unit.c_str(), a.overall_error() * 100.0, a.recorded_jumps, unit.c_str());
  return text;
}

}  // namespace trezik::drive
