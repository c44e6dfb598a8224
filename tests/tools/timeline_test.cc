#include "tools/simulator/timeline.h"

#include <gtest/gtest.h>

namespace trezik::drive {
namespace {

Drive Make(std::vector<Fix> fixes) {
  Drive drive;
  drive.path = "test";
  drive.fixes = std::move(fixes);
  return drive;
}

TEST(Timeline, InterpolatesWithinAShortGapAndHoldsAcrossALongOne) {
  // 0 s -> 4 s: a short gap; 4 s -> 30 s: longer than max_gap.
  const Drive drive = Make({{1000.0, 50.0, 8.0, 10.0}, {1004.0, 50.004, 8.0, 14.0}, {1030.0, 50.1, 8.0, 0.0}});
  const Timeline timeline(drive, {Between::kInterpolate, 10.0});
  EXPECT_EQ(timeline.last_second(), 30);
  const Position mid = timeline.At(1);
  EXPECT_NEAR(mid.latitude, 50.001, 1e-12);
  EXPECT_NEAR(mid.speed_mps, 11.0, 1e-12);
  const Position held = timeline.At(20);
  EXPECT_EQ(held.latitude, 50.004);
  EXPECT_EQ(held.speed_mps, 14.0);
  EXPECT_EQ(timeline.At(30).latitude, 50.1);
}

TEST(Timeline, HoldModeReportsTheLastFixReceived) {
  const Drive drive = Make({{0.0, 50.0, 8.0, 10.0}, {4.0, 50.004, 8.0, 14.0}});
  const Timeline timeline(drive, {Between::kHold, 10.0});
  EXPECT_EQ(timeline.At(3).latitude, 50.0);
  EXPECT_EQ(timeline.At(4).latitude, 50.004);
}

TEST(Timeline, FractionalFixTimesAreSampledOnWholeSecondsFromTheFirst) {
  const Drive drive = Make({{0.5, 10.0, 20.0, 0.0}, {1.0, 10.0, 20.001, 0.0}, {2.5, 10.0, 20.004, 0.0}});
  const Timeline timeline(drive, {});
  EXPECT_EQ(timeline.last_second(), 2);
  EXPECT_NEAR(timeline.At(1).longitude, 20.001 + 0.003 * (0.5 / 1.5), 1e-12);  // t = 1.5
  EXPECT_NEAR(timeline.At(2).longitude, 20.004, 1e-12);                        // t = 2.5
}

TEST(Timeline, CrossesTheAntimeridianTheShortWay) {
  const Drive drive = Make({{0.0, 0.0, 179.9995, 0.0}, {2.0, 0.0, -179.9995, 0.0}});
  const Position mid = Timeline(drive, {}).At(1);
  EXPECT_NEAR(std::abs(mid.longitude), 180.0, 1e-9);
}

TEST(Timeline, DerivesAMissingSpeedFromTheStepThatLedToTheFix) {
  Drive drive = Make({{0.0, 0.0, 0.0, {}, 0}, {10.0, 0.0, 0.001, {}, 0}, {20.0, 0.0, 0.003, {}, 0}});
  const Timeline timeline(drive, {Between::kHold, 10.0});
  const double first_step = GeodesicMetres(0, 0, 0, 0.001) / 10.0;
  const double second_step = GeodesicMetres(0, 0.001, 0, 0.003) / 10.0;
  EXPECT_NEAR(timeline.At(0).speed_mps, first_step, 1e-9);  // the step leaving the first fix
  EXPECT_NEAR(timeline.At(10).speed_mps, first_step, 1e-9);
  EXPECT_NEAR(timeline.At(20).speed_mps, second_step, 1e-9);
  EXPECT_EQ(timeline.derived_speeds(), 3u);
}

TEST(Timeline, GeodesicMatchesAKnownDistance) {
  // One degree of latitude at the equator on WGS84: 110574.389 m.
  EXPECT_NEAR(GeodesicMetres(0, 0, 1, 0), 110574.389, 1e-3);
}

}  // namespace
}  // namespace trezik::drive
