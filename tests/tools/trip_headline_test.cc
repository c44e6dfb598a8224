// The driver's headline of a drive whose figures are known by construction.
#include "tools/simulator/trip_headline.h"

#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>

#include "drive_test_support.h"
#include "tools/simulator/skin_script.h"

namespace trezik::drive {
namespace {

// 150 one-second fixes due north at 10 m/s, standing (speed 0, position
// held) over seconds 60-79 and 140-149: 120 moving ticks, 119 steps of
// 10 m into them (the first tick counts nothing), two stops, 36 km/h at
// most; 1.19 km in 2:00 of moving is 35.7 km/h.
TEST(TripHeadline, MovingTimeStopsAndSpeedsOfAKnownDrive) {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  Drive drive;
  drive.path = "known";
  double lat = 48.0, lon = 11.0;
  for (int s = 0; s < 150; ++s) {
    const bool moving = s < 60 || (s >= 80 && s < 140);
    if (moving && s > 0) wgs84.Direct(lat, lon, 0.0, 10.0, lat, lon);
    drive.fixes.push_back({1.7e9 + s, lat, lon, moving ? 10.0 : 0.0, 0});
  }
  testing::ScratchFolder scratch;
  SimulationOptions options;
  options.folder = scratch.Path("run");
  const Script script = ParseScript("", "s");
  const SimulationResult result = Simulation(drive, script, options).Run();

  const TripHeadline trip = MeasureTrip(result);
  EXPECT_EQ(trip.seconds, 149);
  EXPECT_EQ(trip.moving_seconds, 120);
  EXPECT_EQ(trip.stops, 2u);
  EXPECT_NEAR(trip.max_speed, 36.0, 1e-9);
  EXPECT_NEAR(trip.distance, 1.19, 1.19 * 4e-3);  // the sphere reads 0.2 % to 0.4 % short
  EXPECT_NEAR(trip.average_moving_speed(), 35.7, 35.7 * 4e-3);
  const std::string text = DescribeTrip(trip, result, false);
  EXPECT_NE(text.find("1.19 Km in 2:29, moving 2:00"), std::string::npos) << text;
  EXPECT_NE(text.find("average moving speed 36 Km/h, maximum 36 Km/h, 2 stops"), std::string::npos) << text;
}

}  // namespace
}  // namespace trezik::drive
