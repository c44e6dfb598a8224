// The driver's headline of a drive whose figures are known by construction.
#include "tools/simulator/trip_headline.h"

#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>

#include <random>

#include "drive_test_support.h"
#include "tools/simulator/accuracy.h"
#include "tools/simulator/skin_script.h"

namespace trezik::drive {
namespace {

// 150 one-second fixes due north at 10 m/s, standing (speed 0, position
// held) over seconds 60-79 and 140-149: 120 moving ticks, 119 seconds of
// moving with a step of 10 m each (the first tick starts the trip and
// counts nothing), two stops, 36 km/h at most; 1.19 km in 1:59 is 36 km/h.
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
  EXPECT_EQ(trip.moving_seconds, 119);
  EXPECT_EQ(trip.stops, 2u);
  EXPECT_NEAR(trip.max_speed, 36.0, 1e-9);
  EXPECT_NEAR(trip.distance, 1.19, 1.19 * 4e-3);  // the sphere reads 0.2 % to 0.4 % short
  EXPECT_NEAR(trip.average_moving_speed(), 36.0, 36.0 * 4e-3);
  const std::string text = DescribeTrip(trip, result, false);
  EXPECT_NE(text.find("1.19 Km in 2:29, moving 1:59"), std::string::npos) << text;
  EXPECT_NE(text.find("average moving speed 36 Km/h, maximum 36 Km/h, 2 stops"), std::string::npos) << text;
}

// Drives made up at random from what receivers' logs hold: one-second and
// sparse stretches, with the speed reported or not, stops, gaps, and GPS
// jumps of 5 to 20 km. Whatever the drive, the headline keeps its laws: the
// average moving speed at most the maximum, the moving time at most the
// trip's, no maximum above the fastest the generator drove (a jump's speed
// never reaches it), and minspeed=3 advised only when a run with it gives
// another meter.
Drive Generated(unsigned seed, double& fastest_kmh) {
  std::mt19937 random(seed);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  const bool reported = random() % 2 == 0;
  Drive drive;
  drive.path = "generated";
  double t = 1.7e9, lat = uniform(-60, 60), lon = uniform(-170, 170), heading = uniform(0, 360);
  fastest_kmh = 0;
  for (int stretch = 0; stretch < 12; ++stretch) {
    const int kind = static_cast<int>(random() % 4);  // 0 driving, 1 stop with jitter, 2 sparse, 3 jump
    const double kmh = kind == 1 ? 0.0 : uniform(5, 130);
    const double interval = kind == 2 ? uniform(12, 400) : 1.0;
    const int fixes = kind == 2 ? 4 : static_cast<int>(uniform(10, 60));
    if (kind != 1) fastest_kmh = std::max(fastest_kmh, kmh);
    for (int i = 0; i < fixes; ++i) {
      if (kind == 3 && i == fixes / 2) {  // one fix thrown far off
        double jlat = 0, jlon = 0;
        wgs84.Direct(lat, lon, uniform(0, 360), uniform(5000, 20000), jlat, jlon);
        drive.fixes.push_back({t, jlat, jlon, reported ? std::optional<double>(kmh / 3.6) : std::nullopt, 0});
      } else {
        double jlat = lat, jlon = lon;
        if (kind == 1) wgs84.Direct(lat, lon, uniform(0, 360), uniform(0, 4), jlat, jlon);
        drive.fixes.push_back(
            {t, jlat, jlon, reported ? std::optional<double>(kind == 1 ? 0.3 : kmh / 3.6) : std::nullopt, 0});
      }
      wgs84.Direct(lat, lon, heading, kmh / 3.6 * interval, lat, lon);
      heading += uniform(-10, 10);
      t += interval;
    }
  }
  return drive;
}

TEST(TripHeadline, KeepsItsLawsOverGeneratedDrives) {
  const Script script = ParseScript("", "s");
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    double fastest_kmh = 0;
    const Drive drive = Generated(seed, fastest_kmh);
    testing::ScratchFolder scratch;
    SimulationOptions options;
    options.folder = scratch.Path("run");
    Simulation simulation(drive, script, options);
    const SimulationResult result = simulation.Run();
    const TripHeadline trip = MeasureTrip(result);
    EXPECT_LE(trip.average_moving_speed(), trip.max_speed + 1e-9);
    EXPECT_LE(trip.moving_seconds, trip.seconds);
    // Linear interpolation in latitude and longitude runs a little longer
    // than the geodesic; the positions of a stop wander 4 m a second.
    EXPECT_LE(trip.max_speed, fastest_kmh * 1.02 + 15.0);

    const Accuracy accuracy = MeasureAccuracy(drive, result, &simulation.timeline());
    if (DescribeAccuracyForDriver(accuracy, "Km", false).find("Set minspeed=3") == std::string::npos) continue;
    testing::ScratchFolder again;
    options.folder = again.Path("run");
    options.plugin_settings = {"minspeed=3"};
    const SimulationResult with = Simulation(drive, script, options).Run();
    EXPECT_GE(std::abs(with.odometer - result.odometer), 0.005);
  }
}

}  // namespace
}  // namespace trezik::drive
