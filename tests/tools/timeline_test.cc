#include "tools/simulator/timeline.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cstdint>
#include <string>

#include "tools/tracks/gpx_reader.h"

namespace trezik::drive {
namespace {

Drive Make(std::vector<Fix> fixes) {
  Drive drive;
  drive.path = "test";
  drive.fixes = std::move(fixes);
  return drive;
}

TEST(Timeline, InterpolatesWithinAShortGapAndHoldsAcrossALongOne) {
  // 0 s -> 4 s: a short gap; 4 s -> 30 s: longer than max_gap, and 11 km
  // in 26 s, faster than a car (--no-fill holds it whatever its speed).
  const Drive drive = Make({{1000.0, 50.0, 8.0, 10.0}, {1004.0, 50.0004, 8.0, 14.0}, {1030.0, 50.1, 8.0, 0.0}});
  const Timeline timeline(drive, {Between::kInterpolate, 10.0});
  EXPECT_EQ(timeline.last_second(), 30);
  const Position mid = timeline.At(1);
  EXPECT_NEAR(mid.latitude, 50.0001, 1e-12);
  EXPECT_NEAR(mid.speed_mps, 11.0, 1e-12);
  const Position held = timeline.At(20);
  EXPECT_EQ(held.latitude, 50.0004);
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
  const Drive drive = Make({{0.5, 10.0, 20.0, 0.0}, {1.0, 10.0, 20.0001, 0.0}, {2.5, 10.0, 20.0004, 0.0}});
  const Timeline timeline(drive, {});
  EXPECT_EQ(timeline.last_second(), 2);
  EXPECT_NEAR(timeline.At(1).longitude, 20.0001 + 0.0003 * (0.5 / 1.5), 1e-12);  // t = 1.5
  EXPECT_NEAR(timeline.At(2).longitude, 20.0004, 1e-12);                         // t = 2.5
}

// The last fix 20.5 s after the first, after a gap longer than max_gap:
// second 20 must report it, or the last step of the drive is never counted.
TEST(Timeline, TheLastSecondReachesALastFixWithAFractionAcrossAHeldGap) {
  const Drive drive = Make({{0.0, 50.0, 8.0, 10.0}, {5.0, 50.001, 8.0, 10.0}, {20.5, 50.1, 8.0, 3.0}});
  for (const Between between : {Between::kInterpolate, Between::kHold}) {
    const Timeline timeline(drive, {between, 10.0});
    ASSERT_EQ(timeline.last_second(), 20);
    EXPECT_EQ(timeline.At(19).latitude, 50.001);
    EXPECT_EQ(timeline.At(20).latitude, 50.1);
    EXPECT_EQ(timeline.At(20).speed_mps, 3.0);
  }
}

TEST(Timeline, CrossesTheAntimeridianTheShortWay) {
  const Drive drive = Make({{0.0, 0.0, 179.9995, 0.0}, {2.0, 0.0, -179.9995, 0.0}});
  const Position mid = Timeline(drive, {}).At(1);
  EXPECT_NEAR(std::abs(mid.longitude), 180.0, 1e-9);
}

// Fixes without speeds every 2 s due north at 33 m/s (118.8 km/h), some
// thrown 100 m east: the step into such a fix is 216 km/h, below the bound
// of a jump. The true speed is 33 m/s at every fix.
TEST(Timeline, SpeedFromPositionsIsTheCarsThroughFixesThrownOff) {
  const struct {
    const char* name;
    std::vector<int> thrown;  // fix indexes
  } cases[] = {{"none", {}}, {"one fix", {6}}, {"two in a row", {6, 7}}, {"the first and the last", {0, 14}}};
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  for (const auto& c : cases) {
    std::vector<Fix> fixes;
    for (int i = 0; i < 15; ++i) {
      double lat = 0, lon = 0;
      wgs84.Direct(48.0, 11.0, 0.0, 66.0 * i, lat, lon);
      if (std::find(c.thrown.begin(), c.thrown.end(), i) != c.thrown.end()) wgs84.Direct(lat, lon, 90.0, 100.0, lat, lon);
      fixes.push_back({2.0 * i, lat, lon, {}, 0});
    }
    const Drive drive = Make(fixes);
    const Timeline timeline(drive, {});
    EXPECT_EQ(timeline.derived_speeds(), 15u);
    for (int second = 0; second <= 28; ++second) EXPECT_NEAR(timeline.At(second).speed_mps, 33.0, 1e-6) << c.name << " " << second;
  }
}

// Driving at 20 m/s, then a gap of 2 h in which the car moved 5 m
// (parked), or 3.6 km (driven through), or the fix after it thrown 30 km off.
TEST(Timeline, AHeldGapShowsMotionOnlyWhenItsTwoSidesDo) {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  auto drive_with = [&](double gap_s, double across_m, bool thrown) {
    std::vector<Fix> fixes;
    double lat = 48.0, lon = 11.0, t = 0;
    for (int i = 0; i < 5; ++i, t += 1) {
      fixes.push_back({t, lat, lon, {}, 0});
      wgs84.Direct(lat, lon, 0.0, 20.0, lat, lon);
    }
    t += gap_s - 1;
    wgs84.Direct(lat, lon, 0.0, across_m - 20.0, lat, lon);
    if (thrown) {
      double jlat = 0, jlon = 0;
      wgs84.Direct(lat, lon, 90.0, 30000.0, jlat, jlon);
      fixes.push_back({t++, jlat, jlon, {}, 0});
    }
    for (int i = 0; i < 5; ++i, t += 1) {
      fixes.push_back({t, lat, lon, {}, 0});
      wgs84.Direct(lat, lon, 0.0, 20.0, lat, lon);
    }
    return Make(fixes);
  };
  const TimelineOptions fill{}, no_fill{Between::kInterpolate, 10.0, 0.0}, hold{Between::kHold, 10.0};
  const struct {
    const char* name;
    double gap_s, across_m;
    bool thrown;
    TimelineOptions options;
    bool parked, standing;
    double speed_in_gap;  // m/s, -1: the fix's before it
  } cases[] = {
      {"parked", 7200, 5, false, fill, true, true, 0.0},
      {"parked, --no-fill", 7200, 5, false, no_fill, false, true, -1},
      {"parked, --hold", 7200, 5, false, hold, false, true, -1},
      {"driven through, --no-fill", 180, 3600, false, no_fill, false, false, -1},
      {"driven through, --hold", 180, 3600, false, hold, false, false, -1},
      {"a fix thrown off after a short gap, moving", 3, 60, true, fill, false, false, -1},
      {"a fix thrown off after a short gap, standing", 3, 2, true, fill, false, true, -1},
  };
  for (const auto& c : cases) {
    const Drive drive = drive_with(c.gap_s, c.across_m, c.thrown);
    const Timeline timeline(drive, c.options);
    const auto last_in_gap = static_cast<std::int64_t>(4 + c.gap_s);
    EXPECT_EQ(timeline.ParkedGap(4), c.parked) << c.name;
    EXPECT_TRUE(timeline.HeldGap(4)) << c.name;
    for (const std::int64_t second : {std::int64_t{5}, last_in_gap}) {
      EXPECT_EQ(timeline.HeldStepStanding(second), c.standing) << c.name << " " << second;
    }
    EXPECT_FALSE(timeline.HeldStepStanding(3)) << c.name;
    const double in_gap = c.speed_in_gap < 0 ? timeline.At(4).speed_mps : c.speed_in_gap;
    EXPECT_EQ(timeline.At(5).speed_mps, in_gap) << c.name;
    EXPECT_EQ(timeline.At(last_in_gap - 1).speed_mps, in_gap) << c.name;
  }
}

// A receiver that reports a wrong date leaves a gap of years. The timeline
// holds the fix before the gap across it and stores no second of it. Noon of
// 1999-01-01 to 2025-01-01: 26 * 365 + 7 leap days = 9497 days. Noon of
// 1980-01-01 to 2079-01-01, the widest span of NMEA's two-digit years:
// 99 * 365 + 25 leap days = 36160 days, beyond the range of an int.
TEST(Timeline, HoldsAcrossAGapOfYearsWithoutStoringItsSeconds) {
  const struct {
    double first;  // seconds since 1970 of the first fix
    std::int64_t gap_seconds;
  } gaps[] = {{10592.0 * 86400 + 43200, 9497LL * 86400}, {3652.0 * 86400 + 43200, 36160LL * 86400}};
  for (const auto& gap : gaps) {
    const Drive drive = Make({{gap.first, 50.0, 8.0, 10.0},
                              {gap.first + 1, 50.0001, 8.0, 10.0},
                              {gap.first + 1 + static_cast<double>(gap.gap_seconds), 51.0, 9.0, 0.0}});
    const struct mallinfo2 before = mallinfo2();
    const Timeline timeline(drive, {Between::kInterpolate, 10.0});
    ASSERT_EQ(timeline.last_second(), gap.gap_seconds + 1);
    for (std::int64_t second = 1; second < timeline.last_second(); second += gap.gap_seconds / 1000) {
      EXPECT_EQ(timeline.At(second).latitude, 50.0001) << second;
    }
    EXPECT_EQ(timeline.At(timeline.last_second() - 1).latitude, 50.0001);
    EXPECT_EQ(timeline.At(timeline.last_second()).longitude, 9.0);
    const struct mallinfo2 after = mallinfo2();
    EXPECT_LT(after.uordblks + after.hblkhd, before.uordblks + before.hblkhd + 4096);
  }
}

// The simulator ticks and keeps a record for every second, so it replays at
// most 31 days from the first fix to the last: 2,678,400 seconds.
TEST(Timeline, ReplaysThirtyOneDaysAndRefusesASecondMore) {
  auto two_points = [](const std::string& last_time) {
    return "<gpx version=\"1.1\"><trk><trkseg>\n"
           "<trkpt lat=\"50\" lon=\"8\"><time>2020-01-01T00:00:00Z</time></trkpt>\n"
           "<trkpt lat=\"50.001\" lon=\"8\"><time>" +
           last_time + "</time></trkpt>\n</trkseg></trk></gpx>\n";
  };
  const Drive longest = ReadGpx("d.gpx", two_points("2020-02-01T00:00:00Z"));
  EXPECT_EQ(Timeline(longest, {}).last_second(), 2678400);
  for (const auto& [last_time, days] : {std::pair{"2020-02-01T00:00:01Z", "31.0 days"},
                                        std::pair{"2046-01-01T00:00:00Z", "9497.0 days (26.0 years)"}}) {
    try {
      ReadGpx("d.gpx", two_points(last_time));
      ADD_FAILURE() << last_time << " read";
    } catch (const DriveError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("d.gpx: the drive lasts ") + days +
                                               " from its first fix (line 2) to its last (line 3); the simulator "
                                               "replays at most 31 days");
    }
  }
}

TEST(Timeline, GeodesicMatchesAKnownDistance) {
  // One degree of latitude at the equator on WGS84: 110574.389 m.
  EXPECT_NEAR(GeodesicMetres(0, 0, 1, 0), 110574.389, 1e-3);
}

}  // namespace
}  // namespace trezik::drive
