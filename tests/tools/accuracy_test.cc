#include "tools/simulator/accuracy.h"

#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>

#include <cstdlib>

#include "drive_math.h"
#include "drive_test_support.h"

namespace trezik::drive {
namespace {

using testing::ScratchFolder;

// The figure printed after `label`, or NaN when the label is missing.
double FigureAfter(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  return at == std::string::npos ? std::nan("") : std::strtod(text.c_str() + at + label.size(), nullptr);
}

SimulationResult Replay(const Drive& drive, const ScratchFolder& scratch, std::vector<std::string> settings = {}) {
  SimulationOptions options;
  options.folder = scratch.Path("run");
  options.plugin_settings = std::move(settings);
  const Script script = ParseScript("", "s");
  return Simulation(drive, script, options).Run();
}

// Parked for an hour at 47.0013717 N: there the spherical formula makes
// sin^2 + cos^2 * cos 0 come out one unit in the last place under 1, and
// arccos(1 - 2^-53) = 2^-26 rad on a sphere of 3437.747 nautical miles is
// 0.0948713 m, counted on each of the 3601 ticks. The geodesic is 0: no
// percentage, the creep in distance.
TEST(Accuracy, AStandingCarGetsItsCreepAndNoPercentage) {
  ScratchFolder scratch;
  Drive drive;
  drive.path = "parked";
  for (double t : {0.0, 3600.0}) drive.fixes.push_back({1.7e9 + t, 47.0013717, 11.5, 0.0, 0});
  const SimulationResult result = Replay(drive, scratch);
  const std::string text = DescribeAccuracy(MeasureAccuracy(drive, result), "Km");

  EXPECT_EQ(text.find('%'), std::string::npos) << text;
  const double by_hand = 3601 * 0.0948713 / 1000.0;
  EXPECT_NEAR(FigureAfter(text, "trip meter, whole drive:"), by_hand, 1e-4) << text;
  EXPECT_NEAR(FigureAfter(text, "the meter crept"), by_hand, 1e-4) << text;
  EXPECT_NEAR(FigureAfter(text, "the meter differs by"), by_hand, 1e-4) << text;
  EXPECT_EQ(FigureAfter(text, "WGS84 geodesic along the recorded fixes:"), 0.0) << text;
  EXPECT_EQ(result.final_labels.tripmeter, "0.34");
}

// Parked for an hour with the fix jumping between two points 5 m apart
// (WGS84) every second, the speed reported at 1 km/h: 3600 steps of 5 m,
// 18 km of the log's own track by hand. Without a standstill filter the meter
// counts it (the sphere some 0.2 % to 0.4 % short), which is correct against
// the log, and minspeed=3 is suggested since it would change that; with
// minspeed=3 the meter stays at 0, which is correct against the track
// without the wandering at stops (0: the car never moved), and nothing is
// suggested then.
TEST(Accuracy, AParkedCarsJitterIsCountedAgainstTheLogAndMinspeedIsNamedWhereItHolds) {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  double lat2 = 0, lon2 = 0;
  wgs84.Direct(48.1, 11.0, 90.0, 5.0, lat2, lon2);
  Drive drive;
  drive.path = "parked";
  for (int s = 0; s <= 3600; ++s) {
    drive.fixes.push_back({1.7e9 + s, s % 2 ? lat2 : 48.1, s % 2 ? lon2 : 11.0, 1.0 / 3.6, 0});
  }
  struct Case {
    std::vector<std::string> settings;
    double meter_low, meter_high;
    const char* verdict;
    bool suggested;
    const char* not_counted;  // the note on what was not counted; empty: none
  };
  const Case cases[] = {
      {{}, 18.0 * 0.995, 18.0, "which is correct", true, ""},
      {{"minspeed=3"}, 0.0, 0.0, "0.00 Km without the fixes' wandering while the car stood", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings.empty() ? "no settings" : c.settings.back());
    ScratchFolder scratch;
    const Accuracy accuracy = MeasureAccuracy(drive, Replay(drive, scratch, c.settings));
    const std::string text = DescribeAccuracyForDriver(accuracy, "Km", false);
    EXPECT_GE(accuracy.odometer, c.meter_low);
    EXPECT_LE(accuracy.odometer, c.meter_high);
    EXPECT_NEAR(FigureAfter(text, "The log's own track measures"), 18.0, 0.005) << text;
    EXPECT_NE(text.find(c.verdict), std::string::npos) << text;
    EXPECT_NE(text.find("which is correct"), std::string::npos) << text;
    EXPECT_EQ(text.find("Set minspeed=3 in trezik.ini (here: --option=minspeed=3)") != std::string::npos, c.suggested)
        << text;
    EXPECT_EQ(text.find("GPS jitter") != std::string::npos, c.suggested) << text;
    EXPECT_EQ(text.find("Not counted") != std::string::npos, c.not_counted[0] != '\0') << text;
    if (c.not_counted[0] != '\0') {
      EXPECT_NE(text.find(c.not_counted), std::string::npos) << text;
    }
  }
}

// A sparse track, as phone loggers write one: a fix every 3 minutes due
// north at 60 km/h (3 km a gap by GeographicLib), and after the fifth gap
// one fix 20 km east a minute later (1200 km/h, a GPS jump) and back. The
// log's own track is 8 x 3 km = 24 km by construction, the jump left out.
// Filled in, the meter counts it (the sphere a little short) and the jump's
// gaps are held; with --no-fill every held gap ends in a step of 3 km that
// the plug-in drops, and the verdict says how much and why.
TEST(Accuracy, ASparseTrackIsFilledInAndWithoutFillingItsLossIsNamed) {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  Drive drive;
  drive.path = "sparse";
  double t = 1.7e9, lat = 48.0, lon = 11.0;
  for (int i = 0; i <= 8; ++i) {
    drive.fixes.push_back({t, lat, lon, 60.0 / 3.6, 0});
    if (i == 5) {
      double jlat = 0, jlon = 0;
      wgs84.Direct(lat, lon, 90.0, 20000.0, jlat, jlon);
      drive.fixes.push_back({t + 60.0, jlat, jlon, 60.0 / 3.6, 0});
      drive.fixes.push_back({t + 120.0, lat, lon, 0.0, 0});
      t += 120.0;
    }
    wgs84.Direct(lat, lon, 0.0, 3000.0, lat, lon);
    t += 180.0;
  }
  struct Case {
    double fill_kmh;
    double meter_low, meter_high;
    const char* verdict;
    std::size_t filled;
    const char* note;
  };
  const Case cases[] = {
      {kFillUpToKmh, 24.0 * 0.995, 24.0, "which is correct", 8, "Interpolated: the host filled 8 gap(s)"},
      {0.0, 0.0, 0.0, "which is wrong", 0,
       "Not counted: 24.00 Km, 100.0 % of the log's own track: across 10 gap(s) the host held the last fix"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fill_kmh);
    ScratchFolder scratch;
    SimulationOptions options;
    options.folder = scratch.Path("run");
    options.timeline.fill_kmh = c.fill_kmh;
    const Script script = ParseScript("", "s");
    Simulation simulation(drive, script, options);
    const SimulationResult result = simulation.Run();
    const Accuracy accuracy = MeasureAccuracy(drive, result, &simulation.timeline());
    const std::string text = DescribeAccuracyForDriver(accuracy, "Km", false);
    EXPECT_GE(accuracy.odometer, c.meter_low) << text;
    EXPECT_LE(accuracy.odometer, c.meter_high) << text;
    EXPECT_NEAR(accuracy.geodesic_recorded, 24.0, 1e-6);
    EXPECT_EQ(accuracy.recorded_jumps, 2u);
    EXPECT_EQ(accuracy.filled_gaps, c.filled);
    EXPECT_NE(text.find(c.verdict), std::string::npos) << text;
    EXPECT_NE(text.find(c.note), std::string::npos) << text;
    if (c.filled > 0) {
      EXPECT_NEAR(accuracy.interpolated, accuracy.odometer, 1e-9);
    }
  }
}

struct FormulaCase {
  std::vector<std::string> settings;
  bool side_by_side;
  std::vector<int> dropped;
};

// A drive due north from 50 N at 20 m/s with one fix 2000.5 m (WGS84) beyond
// the one before: on the plug-in's sphere that step is some 0.1 % shorter and
// under the 2 km bound, on the ellipsoid it is over. With distance=wgs84 the
// accuracy shows both formulas over the counted steps, each against its own
// oracle, and the dropped step is found by the formula the plug-in used.
TEST(Accuracy, Wgs84StandsBesideTheSphereOnlyWhenSet) {
  const FormulaCase cases[] = {
      {{}, false, {}},
      {{"distance=wgs84"}, true, {60}},
      {{"distance=wgs84", "calibration=0.9"}, true, {60}},
  };
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  Drive drive;
  drive.path = "northbound";
  double lat = 50.0, unused = 0;
  for (int s = 0; s <= 90; ++s) {
    drive.fixes.push_back({1.7e9 + s, lat, 8.0, 20.0, 0});
    wgs84.Direct(lat, 8.0, 0.0, s == 59 ? 2000.5 : s == 60 ? -1980.5 : 20.0, lat, unused);
  }
  for (const FormulaCase& c : cases) {
    SCOPED_TRACE(c.settings.empty() ? "no settings" : c.settings.back());
    ScratchFolder scratch;
    const SimulationResult result = Replay(drive, scratch, c.settings);
    std::vector<int> dropped;
    for (const DroppedStep& step : result.dropped) dropped.push_back(step.second);
    EXPECT_EQ(dropped, c.dropped);

    const Accuracy accuracy = MeasureAccuracy(drive, result);
    const std::string text = DescribeAccuracy(accuracy, "Km");
    const bool shown = text.find("greatcircledistance1") != std::string::npos;
    EXPECT_EQ(shown, c.side_by_side) << text;
    EXPECT_EQ(text.find("Wgs84NauticalMiles") != std::string::npos, c.side_by_side) << text;
    EXPECT_EQ(text.find("the spherical formula is off by") != std::string::npos, !c.side_by_side) << text;
    if (!shown) continue;

    // The oracles over the steps the meter counted: GeographicLib on the
    // plug-in's sphere, and on the WGS84 ellipsoid.
    double sphere = 0, ellipsoid = 0;
    for (std::size_t i = 1; i < result.latitudes.size(); ++i) {
      if (result.counted[i] == 0) continue;
      const double a = result.latitudes[i - 1], b = result.latitudes[i];
      sphere += testing::SphereKilometres(a, result.longitudes[i - 1], b, result.longitudes[i]);
      ellipsoid += GeodesicMetres(a, result.longitudes[i - 1], b, result.longitudes[i]) / 1000.0;
    }
    EXPECT_NEAR(FigureAfter(text, "spherical formula (greatcircledistance1) over them:"), sphere, 2e-4) << text;
    EXPECT_NEAR(FigureAfter(text, "the meter's):"), ellipsoid, 1e-4) << text;
    // The meter carries the calibration; the formula's figure does not.
    EXPECT_NEAR(accuracy.odometer, ellipsoid * accuracy.options.trip.calibration, 1e-6) << text;
  }
}

}  // namespace
}  // namespace trezik::drive
