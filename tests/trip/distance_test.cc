#include "trip/distance.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/error.h"
#include "support/error_kind.h"

namespace trezik {
namespace {

using testing::kInf;
using testing::kNaN;
using testing::KindThrownBy;


// Reference values from mpmath at 50 digits on the exact value of each double
// argument. The tolerance allows for the rounding of a double computation.
TEST(ArccosOfCosine, MatchesTheArcCosineInsideTheOpenInterval) {
  struct Case {
    double x, expected, tolerance;
  };
  const Case cases[] = {
      {0, 1.5707963267948966, 0},
      {0.5, 1.0471975511965977, 1e-15},
      {-0.5, 2.0943951023931955, 1e-15},
      {0.1, 1.4706289056333368, 1e-15},
      // 1 - x*x is 2^-52 here; the sum with pi/2 keeps its absolute error.
      {0.9999999999999999, 1.4901161193847656e-8, 1e-15},
      {-0.9999999999999999, 3.141592638688632, 1e-15},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ArccosOfCosine(c.x), c.expected, c.tolerance) << "x " << c.x;
  }
}

TEST(ArccosOfCosine, FailsAtAndBeyondPlusMinusOne) {
  struct Case {
    double x;
    ErrorKind kind;
  };
  const Case cases[] = {
      {1, ErrorKind::kDivisionByZero},
      {-1, ErrorKind::kDivisionByZero},
      {1.0000001, ErrorKind::kInvalidArgument},
      {-1.0000001, ErrorKind::kInvalidArgument},
      {kNaN, ErrorKind::kInvalidArgument},
      {kInf, ErrorKind::kOverflow},
      {-kInf, ErrorKind::kOverflow},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KindThrownBy([&] { ArccosOfCosine(c.x); }), c.kind) << "x " << c.x;
  }
}

// Reference: mpmath at 50 digits, the same law of cosines on the exact double
// arguments. A degree is 60 nautical miles whatever pi is taken as.
TEST(GreatCircleNauticalMiles, MatchesReferenceAndIgnoresDirection) {
  struct Case {
    double lat1, lat2, lon1, lon2, expected, tolerance;
  };
  const Case cases[] = {
      {0, 0, 0, 1, 60, 1e-10},
      {0, 1, 0, 0, 60, 1e-10},
      {52, 52, 0, 1, 36.939397377447474, 1e-9},
      {52, 52, 1, 0, 36.939397377447474, 1e-9},
      {-33.9, 51.5, 18.4, -0.1, 5215.999493529208, 1e-9},
      {10, -10, 170, -170, 1692.7253112679798, 1e-9},  // across the date line
      // 0.0001 degree of latitude: x is 1 - 1.5e-12, so only about four
      // digits survive the law of cosines.
      {51.5, 51.5001, -0.1, -0.1, 0.0060000000002, 1e-6},
  };
  for (const Case& c : cases) {
    const double forward = GreatCircleNauticalMiles(c.lat1, c.lat2, c.lon1, c.lon2);
    EXPECT_NEAR(forward, c.expected, c.tolerance) << c.lat1 << " " << c.lon1;
    EXPECT_EQ(GreatCircleNauticalMiles(c.lat2, c.lat1, c.lon2, c.lon1), forward);
  }
}

TEST(GreatCircleNauticalMiles, EqualOrNonFiniteFixesFail) {
  struct Case {
    double lat1, lat2, lon1, lon2;
    ErrorKind kind;
  };
  const Case cases[] = {
      {52, 52, 5, 5, ErrorKind::kDivisionByZero},   {0, 0, 0, 0, ErrorKind::kDivisionByZero},
      {kInf, 0, 0, 1, ErrorKind::kOverflow},        {0, 0, 0, -kInf, ErrorKind::kOverflow},
      {0, kNaN, 0, 1, ErrorKind::kInvalidArgument},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KindThrownBy([&] { GreatCircleNauticalMiles(c.lat1, c.lat2, c.lon1, c.lon2); }),
              c.kind)
        << c.lat1 << " " << c.lat2 << " " << c.lon1 << " " << c.lon2;
  }
}

}  // namespace
}  // namespace trezik
