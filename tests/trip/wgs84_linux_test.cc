// The WGS84 step against GeographicLib's geodesic (Karney's method, accurate
// to nanometres), the independent reference.
#include "trip/wgs84.h"

#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <random>

#include "core/error.h"

namespace trezik {
namespace {

double ReferenceMetres(double lat1, double lon1, double lat2, double lon2) {
  double metres = 0;
  GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metres);
  return metres;
}

TEST(Wgs84Step, RandomStepsUpToTwoMilesLieWithinAMillimetre) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> latitude(-89.0, 89.0), longitude(-180.0, 180.0),
      azimuth(-180.0, 180.0), length(0.0, 3218.688);  // up to two statute miles
  double worst = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double lat1 = latitude(random), lon1 = longitude(random);
    double lat2 = 0, lon2 = 0;
    GeographicLib::Geodesic::WGS84().Direct(lat1, lon1, azimuth(random), length(random), lat2, lon2);
    const double got = Wgs84NauticalMiles(lat1, lat2, lon1, lon2) * 1852.0;
    worst = std::max(worst, std::fabs(got - ReferenceMetres(lat1, lon1, lat2, lon2)));
  }
  EXPECT_LT(worst, 1e-3);
}

TEST(Wgs84Step, EdgeCases) {
  struct Case {
    double lat1, lat2, lon1, lon2;
  };
  const Case cases[] = {
      {52.0, 52.0, 5.0, 5.0},          // unmoved
      {0.0, 0.0, 10.0, 10.0001},       // along the equator
      {89.9999, 89.9999, 0.0, 90.0},   // around the pole
      {-33.9, -33.9, 179.9999, -179.9999},  // across the date line
      {90.0, 89.99, 0.0, 0.0},         // from the pole itself
      {10.0, 11.0, 20.0, 20.0},        // a long step along a meridian
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(Wgs84NauticalMiles(c.lat1, c.lat2, c.lon1, c.lon2) * 1852.0,
                ReferenceMetres(c.lat1, c.lon1, c.lat2, c.lon2), 1e-3)
        << c.lat1 << " " << c.lon1 << " -> " << c.lat2 << " " << c.lon2;
  }
  EXPECT_THROW(Wgs84NauticalMiles(std::nan(""), 1, 1, 1), Error);
}

}  // namespace
}  // namespace trezik
