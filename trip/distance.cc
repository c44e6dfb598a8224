#include "trip/distance.h"

#include <cmath>
#include <string>

#include "core/error.h"
#include "core/convert.h"
#include "trip/portable_math.h"

namespace trezik {
namespace {

// The product goes through memory as a double, so that no compiler fuses it
// with the addition that follows into an FMA (or keeps x87 extra precision):
// either would skip this rounding and change the last bits of the distance.
double RoundedProduct(double a, double b) {
  volatile double product = a * b;
  return product;
}

// A value that is not finite fails the step that made it: NaN is an invalid
// operation (kInvalidArgument), an infinity an overflow (kOverflow).
double Finite(double value, const char* what) {
  if (std::isnan(value))
    Fail(ErrorKind::kInvalidArgument,
         std::string("Invalid argument: ") + what + " is not a number");
  if (std::isinf(value))
    Fail(ErrorKind::kOverflow, std::string("Overflow: ") + what + " is infinite");
  return value;
}

double Radians(double degrees, const char* what) {
  return Finite(Finite(degrees, what) * kDegreesToRadians, what);
}

}  // namespace

double ArccosOfCosine(double x) {
  Finite(x, "the arc cosine's argument");
  const double t = Finite(RoundedProduct(-x, x) + 1, "1 - x * x");
  if (t < 0) {
    Fail(ErrorKind::kInvalidArgument,
         "Invalid argument: square root of a negative number (arc cosine of " +
             DoubleToText(x, '.') + ")");
  }
  const double r = std::sqrt(t);
  if (r == 0) {
    Fail(ErrorKind::kDivisionByZero, "Division by zero: arc cosine of " + DoubleToText(x, '.'));
  }
  const double q = Finite(-x / r, "-x / sqrt(1 - x * x)");
  return Finite(PortableAtan(q) + 2 * PortableAtan(1.0), "the arc cosine");
}

double GreatCircleNauticalMiles(double origin_latitude, double destination_latitude,
                                double origin_longitude, double destination_longitude) {
  const double phi1 = Radians(origin_latitude, "the origin latitude");
  const double lambda1 = Radians(origin_longitude, "the origin longitude");
  const double phi2 = Radians(destination_latitude, "the destination latitude");
  const double lambda2 = Radians(destination_longitude, "the destination longitude");
  const double s = PortableSin(phi1) * PortableSin(phi2);
  const double c = PortableCos(phi1) * PortableCos(phi2);
  const double x =
      Finite(RoundedProduct(PortableCos(lambda2 - lambda1), c) + s, "the cosine of the distance");
  const double a = ArccosOfCosine(x);
  // Radians to minutes of arc, multiplied left to right as the distance is defined.
  return a * 60 * kRadiansToDegrees;
}

double greatcircledistance1(double origin_latitude, double destination_latitude,
                            double origin_longitude, double destination_longitude) {
  return GreatCircleNauticalMiles(origin_latitude, destination_latitude, origin_longitude,
                                  destination_longitude);
}

}  // namespace trezik
