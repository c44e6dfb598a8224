#include "trip/wgs84.h"

#include <cmath>
#include <string>

#include "core/error.h"
#include "trip/portable_math.h"

namespace trezik {
namespace {

constexpr double kEquatorialRadiusM = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kPolarRadiusM = kEquatorialRadiusM * (1.0 - kFlattening);
constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr int kMaxIterations = 200;

double Finite(double value, const char* what) {
  if (std::isnan(value)) Fail(ErrorKind::kInvalidArgument, std::string("Invalid argument: ") + what);
  if (std::isinf(value)) Fail(ErrorKind::kOverflow, std::string("Overflow: ") + what);
  return value;
}

// atan2 on the portable arc tangent.
double Atan2(double y, double x) {
  if (x > 0) return PortableAtan(y / x);
  if (x < 0) return y >= 0 ? PortableAtan(y / x) + kPi : PortableAtan(y / x) - kPi;
  if (y > 0) return kPi / 2;
  if (y < 0) return -kPi / 2;
  return 0.0;
}

// The reduced latitude's sine and cosine: tan U = (1 - f) tan(latitude),
// worked from the latitude's own sine and cosine so that the poles need no
// special case and no arc tangent is spent on it.
void ReducedLatitude(double latitude_rad, double& sin_u, double& cos_u) {
  const double y = (1.0 - kFlattening) * PortableSin(latitude_rad);
  const double x = PortableCos(latitude_rad);
  const double r = std::sqrt(x * x + y * y);
  sin_u = y / r;
  cos_u = x / r;
}

// sin and cos of lambda from those of (lambda - delta), for the small
// corrections of Vincenty's iteration (|delta| well under 1e-2 for a car's
// step): the angle-addition rule with delta's sine and cosine by their
// series, exact to the last bit for such deltas and far cheaper than new
// portable sines. Larger corrections take the full functions.
void Advance(double lambda, double delta, double& sin_lambda, double& cos_lambda) {
  if (std::fabs(delta) > 1e-4) {
    sin_lambda = PortableSin(lambda);
    cos_lambda = PortableCos(lambda);
    return;
  }
  const double d2 = delta * delta;
  const double sin_delta = delta * (1.0 - d2 / 6.0 * (1.0 - d2 / 20.0));
  const double cos_delta = 1.0 - d2 / 2.0 * (1.0 - d2 / 12.0);
  const double s = sin_lambda * cos_delta + cos_lambda * sin_delta;
  const double c = cos_lambda * cos_delta - sin_lambda * sin_delta;
  sin_lambda = s;
  cos_lambda = c;
}

}  // namespace

double Wgs84NauticalMiles(double origin_latitude, double destination_latitude,
                          double origin_longitude, double destination_longitude) {
  const double lat1 = Finite(origin_latitude, "the origin latitude") * kRadiansPerDegree;
  const double lat2 = Finite(destination_latitude, "the destination latitude") * kRadiansPerDegree;
  double lon_difference = Finite(destination_longitude, "the destination longitude") -
                          Finite(origin_longitude, "the origin longitude");
  // The shorter way round, so a step across the date line stays a step.
  lon_difference = std::remainder(lon_difference, 360.0);
  const double big_l = lon_difference * kRadiansPerDegree;

  double sin_u1 = 0, cos_u1 = 0, sin_u2 = 0, cos_u2 = 0;
  ReducedLatitude(lat1, sin_u1, cos_u1);
  ReducedLatitude(lat2, sin_u2, cos_u2);

  double lambda = big_l;
  double sin_lambda = PortableSin(lambda);
  double cos_lambda = PortableCos(lambda);
  double sin_sigma = 0, cos_sigma = 0, sigma = 0, cos2_alpha = 0, cos_2sigma_m = 0;
  for (int iteration = 0;; ++iteration) {
    if (iteration == kMaxIterations) {
      Fail(ErrorKind::kOverflow, "Overflow: the geodesic between nearly antipodal fixes");
    }
    const double a = cos_u2 * sin_lambda;
    const double b = cos_u1 * sin_u2 - sin_u1 * cos_u2 * cos_lambda;
    sin_sigma = std::sqrt(a * a + b * b);
    if (sin_sigma == 0) return 0.0;  // the same point
    cos_sigma = sin_u1 * sin_u2 + cos_u1 * cos_u2 * cos_lambda;
    sigma = Atan2(sin_sigma, cos_sigma);
    const double sin_alpha = cos_u1 * cos_u2 * sin_lambda / sin_sigma;
    cos2_alpha = 1.0 - sin_alpha * sin_alpha;
    // On the equator cos^2(alpha) is 0 and the term vanishes.
    cos_2sigma_m = cos2_alpha != 0 ? cos_sigma - 2.0 * sin_u1 * sin_u2 / cos2_alpha : 0.0;
    const double c = kFlattening / 16.0 * cos2_alpha * (4.0 + kFlattening * (4.0 - 3.0 * cos2_alpha));
    const double previous = lambda;
    lambda = big_l + (1.0 - c) * kFlattening * sin_alpha *
                         (sigma + c * sin_sigma *
                                      (cos_2sigma_m + c * cos_sigma *
                                                          (-1.0 + 2.0 * cos_2sigma_m * cos_2sigma_m)));
    if (std::fabs(lambda - previous) <= 1e-13) break;
    Advance(lambda, lambda - previous, sin_lambda, cos_lambda);
  }

  const double u2 = cos2_alpha * (kEquatorialRadiusM * kEquatorialRadiusM -
                                  kPolarRadiusM * kPolarRadiusM) /
                    (kPolarRadiusM * kPolarRadiusM);
  const double big_a = 1.0 + u2 / 16384.0 * (4096.0 + u2 * (-768.0 + u2 * (320.0 - 175.0 * u2)));
  const double big_b = u2 / 1024.0 * (256.0 + u2 * (-128.0 + u2 * (74.0 - 47.0 * u2)));
  const double delta_sigma =
      big_b * sin_sigma *
      (cos_2sigma_m +
       big_b / 4.0 *
           (cos_sigma * (-1.0 + 2.0 * cos_2sigma_m * cos_2sigma_m) -
            big_b / 6.0 * cos_2sigma_m * (-3.0 + 4.0 * sin_sigma * sin_sigma) *
                (-3.0 + 4.0 * cos_2sigma_m * cos_2sigma_m)));
  const double metres = kPolarRadiusM * big_a * (sigma - delta_sigma);
  return metres / 1852.0;
}

}  // namespace trezik
