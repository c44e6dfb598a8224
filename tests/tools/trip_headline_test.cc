// The driver's headline of a drive whose figures are known by construction.
#include "tools/simulator/trip_headline.h"

#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>

#include <random>

#include "drive_test_support.h"
#include "tools/simulator/accuracy.h"
#include "tools/simulator/skin_script.h"
#include "tools/simulator/timeline.h"

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
// sparse stretches, with the speed reported or not, stops, gaps, GPS jumps
// of 5 to 20 km and fixes thrown 40 to 100 m off the road, and the car
// parked for 10 min to 2 h while the receiver was off.
struct GeneratedDrive {
  Drive drive;
  double fastest_kmh = 0;  // the fastest the generator drove
  double parked_s = 0;     // the seconds of the parked gaps
};

GeneratedDrive Generated(unsigned seed) {
  std::mt19937 random(seed);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  const bool reported = random() % 2 == 0;
  GeneratedDrive g;
  Drive& drive = g.drive;
  drive.path = "generated";
  double t = 1.7e9, lat = uniform(-60, 60), lon = uniform(-170, 170), heading = uniform(0, 360);
  auto speed = [&](double kmh) { return reported ? std::optional<double>(kmh / 3.6) : std::nullopt; };
  for (int stretch = 0; stretch < 12; ++stretch) {
    // 0 driving, 1 stop with jitter, 2 sparse, 3 a jump or a fix thrown off, 4 parked with the receiver off
    const int kind = static_cast<int>(random() % 5);
    if (kind == 4 && !drive.fixes.empty()) {
      const double gap = uniform(600, 7200);
      t += gap - 1.0;
      g.parked_s += gap;
      wgs84.Direct(drive.fixes.back().latitude, drive.fixes.back().longitude, uniform(0, 360), uniform(0, 5), lat,
                   lon);
      drive.fixes.push_back({t, lat, lon, speed(0.0), 0});
      t += 1.0;
      continue;
    }
    const double kmh = kind == 1 || kind == 4 ? 0.0 : uniform(5, 130);
    const double interval = kind == 2 ? uniform(12, 400) : kind == 3 ? 2.0 : 1.0;
    const int fixes = kind == 2 ? 4 : static_cast<int>(uniform(10, 60));
    const double thrown_m = random() % 2 == 0 ? uniform(5000, 20000) : uniform(40, 100);
    g.fastest_kmh = std::max(g.fastest_kmh, kmh);
    for (int i = 0; i < fixes; ++i) {
      double jlat = lat, jlon = lon;
      if (kind == 3 && i == fixes / 2) {
        wgs84.Direct(lat, lon, heading + 90.0, thrown_m, jlat, jlon);
      } else if (kind == 1 || kind == 4) {
        wgs84.Direct(lat, lon, uniform(0, 360), uniform(0, 4), jlat, jlon);
      }
      drive.fixes.push_back({t, jlat, jlon, speed(kind == 1 ? 1.0 : kmh), 0});
      wgs84.Direct(lat, lon, heading, kmh / 3.6 * interval, lat, lon);
      heading += uniform(-10, 10);
      t += interval;
    }
  }
  return g;
}

// The fastest the positions of a log without speeds hold: over three
// consecutive steps between its fixes (the WGS84 geodesic from the first
// fix to the last over their time), or over a gap longer than 10 s that
// the host fills in at the speed it implies (3 to 250 km/h); in km/h.
double FastestThePositionsHold(const Drive& drive) {
  const std::vector<Fix>& f = drive.fixes;
  auto kmh = [&](std::size_t a, std::size_t b) {
    return GeodesicMetres(f[a].latitude, f[a].longitude, f[b].latitude, f[b].longitude) / (f[b].time - f[a].time) *
           3.6;
  };
  double fastest = 0;
  for (std::size_t a = 0; a + 3 < f.size(); ++a) fastest = std::max(fastest, kmh(a, a + 3));
  for (std::size_t a = 0; a + 1 < f.size(); ++a) {
    const double implied = kmh(a, a + 1);
    if (f[a + 1].time - f[a].time > 10.0 && implied >= 3.0 && implied <= 250.0) fastest = std::max(fastest, implied);
  }
  return fastest;
}

// Whatever the drive, the headline keeps its laws: the average moving speed
// at most the maximum; the moving time at most the trip's time less the
// parked gaps; no maximum above the fastest the generator drove (a jump's
// speed never reaches it), nor, where the log has no speeds, above what the
// positions hold over a few steps (the speeds are worked out unrounded,
// so only the last digits may differ); and minspeed=3 advised only when a
// run with it gives another meter.
TEST(TripHeadline, KeepsItsLawsOverGeneratedDrives) {
  const Script script = ParseScript("", "s");
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    const GeneratedDrive g = Generated(seed);
    testing::ScratchFolder scratch;
    SimulationOptions options;
    options.folder = scratch.Path("run");
    Simulation simulation(g.drive, script, options);
    const SimulationResult result = simulation.Run();
    const TripHeadline trip = MeasureTrip(result);
    EXPECT_LE(trip.average_moving_speed(), trip.max_speed + 1e-9);
    // A gap's ends fall between whole seconds: a second each, at most.
    EXPECT_LE(trip.moving_seconds, trip.seconds - g.parked_s + 2 * 12);
    // Linear interpolation in latitude and longitude runs a little longer
    // than the geodesic; the positions of a stop wander 4 m a second.
    EXPECT_LE(trip.max_speed, g.fastest_kmh * 1.02 + 15.0);
    if (!g.drive.fixes.front().speed_mps) {
      EXPECT_LE(trip.max_speed, FastestThePositionsHold(g.drive) * (1 + 1e-9));
    }

    const Accuracy accuracy = MeasureAccuracy(g.drive, result, &simulation.timeline());
    if (DescribeAccuracyForDriver(accuracy, "Km", false).find("Set minspeed=3") == std::string::npos) continue;
    testing::ScratchFolder again;
    options.folder = again.Path("run");
    options.plugin_settings = {"minspeed=3"};
    const SimulationResult with = Simulation(g.drive, script, options).Run();
    EXPECT_GE(std::abs(with.odometer - result.odometer), 0.005);
  }
}

}  // namespace
}  // namespace trezik::drive
