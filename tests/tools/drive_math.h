// A model of what the trip meter should count, written here from the
// definition, for checking the simulator's figures: the law of cosines with
// the plug-in's truncated pi and its arc cosine from the arc tangent, the
// 2-unit bound, and nothing counted on the first tick. It uses the portable
// sine, cosine and arc tangent, as the plug-in does: for one-second steps
// the formula keeps only four or five digits, and any other libm would
// differ from the plug-in far beyond the tolerances here.
#pragma once

#include <cmath>
#include <optional>
#include <vector>

#include "trip/portable_math.h"

namespace trezik::drive::testing {

// Nautical miles, or nothing where the cosine reaches 1 (equal fixes).
inline std::optional<double> SphericalNauticalMiles(double lat1, double lon1, double lat2, double lon2) {
  const double k = 0.017453292519943278;  // 3.14159265358979 / 180
  const double to_degrees = 57.29577951308238;
  const double p1 = lat1 * k, l1 = lon1 * k, p2 = lat2 * k, l2 = lon2 * k;
  const double s = PortableSin(p1) * PortableSin(p2);
  const double c = PortableCos(p1) * PortableCos(p2);
  volatile double product = PortableCos(l2 - l1) * c;  // rounded before the sum
  const double x = product + s;
  volatile double square = -x * x;
  const double t = square + 1;
  if (t <= 0) return std::nullopt;  // cosine 1 (equal fixes) or beyond
  const double angle = PortableAtan(-x / std::sqrt(t)) + 2 * PortableAtan(1.0);
  return angle * 60 * to_degrees;
}

struct MeterModel {
  std::vector<double> steps;  // per tick, what the meter adds (0 for a dropped or failed step)
  std::vector<int> dropped;   // ticks whose step was 2 units or more
  double total = 0.0;
};

// `kilometres_per_unit` is 1 or 1.60934.
inline MeterModel ModelMeter(const std::vector<double>& lat, const std::vector<double>& lon,
                             double kilometres_per_unit) {
  MeterModel model;
  for (std::size_t i = 0; i < lat.size(); ++i) {
    double step = 0.0;
    if (i > 0) {
      if (auto nm = SphericalNauticalMiles(lat[i - 1], lon[i - 1], lat[i], lon[i])) {
        step = *nm * 1.852 / kilometres_per_unit;
        if (step >= 2.0) {
          model.dropped.push_back(static_cast<int>(i));
          step = 0.0;
        }
      }
    }
    model.steps.push_back(step);
    model.total += step;
  }
  return model;
}

}  // namespace trezik::drive::testing
