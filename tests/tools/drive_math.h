// An independent model of what the trip meter should count, for checking the
// simulator's figures: the law of cosines on std::acos with the plug-in's
// truncated pi, the 2-unit bound, and nothing counted on the first tick.
#pragma once

#include <cmath>
#include <optional>
#include <vector>

namespace trezik::drive::testing {

// Nautical miles, or nothing where the cosine reaches 1 (equal fixes).
inline std::optional<double> SphericalNauticalMiles(double lat1, double lon1, double lat2, double lon2) {
  const double k = 3.14159265358979 / 180.0;
  const double x = std::cos((lon2 - lon1) * k) * (std::cos(lat1 * k) * std::cos(lat2 * k)) +
                   std::sin(lat1 * k) * std::sin(lat2 * k);
  if (x >= 1.0) return std::nullopt;
  return std::acos(x) * 60.0 * 180.0 / 3.14159265358979;
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
