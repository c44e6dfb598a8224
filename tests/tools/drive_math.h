// An independent model of what the trip meter should count, for checking the
// simulator's figures: steps measured by GeographicLib on a sphere of the
// plug-in's size (one nautical mile, 1852 m, is one minute of arc), the
// 2-unit bound, and nothing counted on the first tick.
//
// The plug-in measures with the law of cosines. For a step of d km on a
// sphere of radius R the cosine lies within R^2 / d^2 of 1, so the rounding
// of the cosine (a few units of 1.1e-16) moves the step by about
// 2.2e-16 R^2 / d, some 9e-9 km^2 / d: a 20 m step by 5e-7 km, an unmoved
// car by up to about 1e-4 km. These roundings fall either way from step to
// step, so the model's tolerance is four times their root sum of squares,
// plus the whole bound for each unmoved tick (there the error has one sign).
#pragma once

#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <vector>

namespace trezik::drive::testing {

inline constexpr double kSphereRadiusKm = 1.852 * 60.0 * 180.0 / 3.14159265358979323846;

// How far the law of cosines may put one step of d km from the true arc.
inline double StepTolerance(double d) {
  const double cancellation = 2.0 * 2.2e-16 * kSphereRadiusKm * kSphereRadiusKm;
  return d > cancellation / 1e-4 ? cancellation / d + 1e-12 * d : 1e-4;
}

// Kilometres along the great circle of the plug-in's sphere.
inline double SphereKilometres(double lat1, double lon1, double lat2, double lon2) {
  static const GeographicLib::Geodesic sphere(kSphereRadiusKm * 1000.0, 0.0);
  double metres = 0.0;
  sphere.Inverse(lat1, lon1, lat2, lon2, metres);
  return metres / 1000.0;
}

struct MeterModel {
  std::vector<double> steps;  // per tick, what the meter adds (0 for a dropped step)
  std::vector<int> dropped;   // ticks whose step was 2 units or more
  double total = 0.0;
  double tolerance = 0.0;  // how far the plug-in's total may lie from `total`
};

namespace detail {
struct ToleranceSum {
  double squares = 0.0, unmoved = 0.0;
  void Add(double km, double per_unit) {
    const double bound = StepTolerance(km) / per_unit;
    if (km == 0.0) {
      unmoved += bound;
    } else {
      squares += bound * bound;
    }
  }
  double Total() const { return 4.0 * std::sqrt(squares) + unmoved; }
};
}  // namespace detail

// `kilometres_per_unit` is 1, or 1.60934 for the plug-in's miles.
inline MeterModel ModelMeter(const std::vector<double>& lat, const std::vector<double>& lon,
                             double kilometres_per_unit) {
  MeterModel model;
  detail::ToleranceSum tolerance;
  for (std::size_t i = 0; i < lat.size(); ++i) {
    double step = 0.0;
    if (i > 0) {
      const double km = SphereKilometres(lat[i - 1], lon[i - 1], lat[i], lon[i]);
      step = km / kilometres_per_unit;
      tolerance.Add(km, kilometres_per_unit);
      if (step >= 2.0) {
        model.dropped.push_back(static_cast<int>(i));
        step = 0.0;
      }
    }
    model.steps.push_back(step);
    model.total += step;
  }
  model.tolerance = tolerance.Total();
  return model;
}

}  // namespace trezik::drive::testing
