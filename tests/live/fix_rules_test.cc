// The host's rules for gpsd's reports: which report is a fix, how long a
// fix is reported (3 s of host time, scaled by --speedup), and the texts,
// with speeds worked by hand from the definitions (1 km/h = 1/3.6 m/s,
// 1 mph = 0.44704 m/s).
#include "tools/live/fix_rules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace trezik::live {
namespace {

using std::chrono::milliseconds;
const std::chrono::steady_clock::time_point kArrived{std::chrono::seconds(1000)};

GpsReport Report(FixMode mode, double latitude = 49.0265667, double longitude = 12.0652767,
                 std::optional<double> speed = 10.0) {
  return {mode, latitude, longitude, speed, kArrived};
}

TEST(FixRules, AFixIsReportedForThreeHostSecondsScaledBySpeedup) {
  struct Case {
    double speedup;
    int age_ms;
    bool fresh;
  } cases[] = {{1, 0, true}, {1, 3000, true}, {1, 3001, false}, {20, 150, true}, {20, 151, false},
               {1000, 3, true}, {1000, 4, false}};
  for (const Case& c : cases) {
    const FixRules rules(c.speedup, true, '.');
    const auto now = kArrived + milliseconds(c.age_ms);
    EXPECT_EQ(rules.HostFix(Report(FixMode::k3D), now).has_value(), c.fresh) << c.speedup << " " << c.age_ms;
    EXPECT_EQ(rules.Status(true, Report(FixMode::k3D), now), c.fresh ? GpsStatus::kFix : GpsStatus::kNoFix);
    // Without gpsd it is "no gps", whatever fix was kept.
    EXPECT_EQ(rules.Status(false, Report(FixMode::k3D), now), GpsStatus::kNoGps);
  }
}

TEST(FixRules, OnlyTwoAndThreeDimensionalReportsOnTheGlobeAreFixesAndANoFixReportEndsOne) {
  LatestFix latest;
  latest.Observe(Report(FixMode::kNotSeen));
  EXPECT_FALSE(latest.fix());
  latest.Observe(Report(FixMode::k2D, 1.0));
  ASSERT_TRUE(latest.fix());
  EXPECT_EQ(latest.fix()->latitude, 1.0);
  latest.Observe(Report(FixMode::k3D, 2.0));
  EXPECT_EQ(latest.fix()->latitude, 2.0);
  latest.Observe(Report(FixMode::kNotSeen, 3.0));  // a report without a mode changes nothing
  EXPECT_EQ(latest.fix()->latitude, 2.0);
  // No position in it, or one off the globe; the edges themselves count.
  for (const auto& [latitude, longitude] : {std::pair{std::nan(""), 0.0}, std::pair{90.000001, 0.0},
                                            std::pair{-91.0, 0.0}, std::pair{0.0, 180.000001}, std::pair{0.0, -500.0},
                                            std::pair{1e300, 1e300}, std::pair{0.0, std::nan("")}}) {
    latest.Observe(Report(FixMode::k3D, latitude, longitude));
    EXPECT_EQ(latest.fix()->latitude, 2.0) << latitude << " " << longitude;
  }
  latest.Observe(Report(FixMode::k2D, -90.0, 180.0));
  EXPECT_EQ(latest.fix()->latitude, -90.0);
  latest.Observe(Report(FixMode::kNone));
  EXPECT_FALSE(latest.fix());
}

TEST(FixRules, SpeedsInKilometresOrMilesAnHourFromMetresPerSecond) {
  struct Case {
    std::optional<double> mps;
    bool metric;
    char mark;
    const char* text;
  } cases[] = {
      {10.0, true, '.', "36 km/h"},         // 10 x 3.6
      {10.0, false, '.', "22.4 mph"},       // 10 / 0.44704 = 22.3694
      {13.4112, false, '.', "30 mph"},      // 30 x 0.44704
      {13.4112, true, '.', "48.3 km/h"},    // 13.4112 x 3.6 = 48.28032
      {13.4112, true, ',', "48,3 km/h"},
      {27.7777778, true, '.', "100 km/h"},  // 100 / 3.6
      {0.0, true, '.', "0 km/h"},
      {std::nullopt, true, '.', ""},        // gpsd gave none: no number to the plug-in
  };
  for (const Case& c : cases) {
    const FixRules rules(1, c.metric, c.mark);
    const auto fix = rules.HostFix(Report(FixMode::k3D, 49.0265667, 12.0652767, c.mps), kArrived);
    ASSERT_TRUE(fix);
    EXPECT_EQ(fix->speed, c.text) << c.mps.value_or(-1);
  }
}

}  // namespace
}  // namespace trezik::live
