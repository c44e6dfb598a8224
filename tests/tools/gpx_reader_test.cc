#include "tools/tracks/gpx_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "drive_test_support.h"
#include "tools/tracks/civil_time.h"
#include "tools/tracks/read_drive.h"

namespace trezik::drive {
namespace {

std::string Gpx(const std::string& points, const std::string& version = "1.1") {
  return "<?xml version=\"1.0\"?>\n<gpx version=\"" + version +
         "\" xmlns=\"http://www.topografix.com/GPX/1/" + (version == "1.1" ? "1" : "0") +
         "\" xmlns:tpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n<trk><trkseg>\n" + points +
         "</trkseg></trk>\n</gpx>\n";
}

std::string Point(double lat, double lon, const std::string& time, const std::string& inner = "") {
  return "<trkpt lat=\"" + std::to_string(lat) + "\" lon=\"" + std::to_string(lon) + "\"><time>" + time +
         "</time>" + inner + "</trkpt>\n";
}

TEST(GpxReader, ReadsPointsTimesAndTheTwoKindsOfSpeed) {
  const std::string gpx =
      Gpx(Point(52.0, 5.0, "2026-03-02T07:45:00Z",
                "<extensions><tpx:TrackPointExtension><tpx:speed>13.5</tpx:speed></tpx:TrackPointExtension>"
                "</extensions>") +
          Point(52.001, 5.0, "2026-03-02T07:45:01.500Z", "<speed>14</speed>") +
          Point(52.002, -5.0, "2026-03-02T08:45:03+01:00"));
  const Drive drive = ReadGpx("t.gpx", gpx);
  ASSERT_EQ(drive.fixes.size(), 3u);
  EXPECT_EQ(drive.format, "GPX 1.1");
  EXPECT_DOUBLE_EQ(*drive.fixes[0].speed_mps, 13.5);
  EXPECT_DOUBLE_EQ(*drive.fixes[1].speed_mps, 14.0);
  EXPECT_FALSE(drive.fixes[2].speed_mps);
  EXPECT_FALSE(drive.has_speed());
  EXPECT_DOUBLE_EQ(drive.fixes[1].time - drive.fixes[0].time, 1.5);
  EXPECT_DOUBLE_EQ(drive.fixes[2].time - drive.fixes[0].time, 3.0);  // +01:00 taken off
  EXPECT_DOUBLE_EQ(drive.fixes[2].longitude, -5.0);
  EXPECT_EQ(drive.fixes[1].line, 5);
}

TEST(GpxReader, JoinsSegmentsAndTracksAndLeavesOutPointsWithoutAFix) {
  const std::string gpx =
      "<gpx version=\"1.0\"><trk><trkseg>" + Point(1, 1, "2020-01-01T00:00:00Z", "<fix>none</fix>") +
      Point(1, 1.001, "2020-01-01T00:00:01Z", "<fix>2d</fix>") + "</trkseg><trkseg>" +
      Point(1, 1.002, "2020-01-01T00:00:02Z") + "</trkseg></trk><rte><rtept lat=\"9\" lon=\"9\"/></rte><trk><trkseg>" +
      Point(1, 1.003, "2020-01-01T00:00:03Z") + "</trkseg></trk></gpx>";
  const Drive drive = ReadGpx("t.gpx", gpx);
  ASSERT_EQ(drive.fixes.size(), 3u);
  EXPECT_DOUBLE_EQ(drive.fixes[2].longitude, 1.003);
  ASSERT_EQ(drive.notes.size(), 1u);
  EXPECT_NE(drive.notes[0].find("1 track point(s) marked <fix>none</fix>"), std::string::npos);
}

TEST(GpxReader, DropsAPointThatRepeatsTheTimeBeforeIt) {
  const Drive drive = ReadGpx("t.gpx", Gpx(Point(1, 1, "2020-01-01T00:00:00Z") + Point(1, 1.1, "2020-01-01T00:00:00Z") +
                                           Point(1, 1.2, "2020-01-01T00:00:01Z")));
  ASSERT_EQ(drive.fixes.size(), 2u);
  EXPECT_DOUBLE_EQ(drive.fixes[1].longitude, 1.2);
}

struct BadGpx {
  const char* name;
  std::string content;
  int line;
  const char* says;
};

class GpxReaderFault : public ::testing::TestWithParam<BadGpx> {};

// Read strictly: refused at the first damaged point.
TEST_P(GpxReaderFault, NamesFileLineAndFault) {
  const BadGpx& bad = GetParam();
  try {
    ReadGpx("bad.gpx", bad.content, {.strict = true});
    FAIL() << "no error";
  } catch (const DriveError& error) {
    EXPECT_EQ(error.path(), "bad.gpx");
    EXPECT_EQ(error.line(), bad.line) << error.what();
    EXPECT_NE(error.reason().find(bad.says), std::string::npos) << error.what();
  }
}

const std::string kGood = Point(1, 1, "2020-01-01T00:00:00Z");

INSTANTIATE_TEST_SUITE_P(
    Table, GpxReaderFault,
    ::testing::Values(
        // The <trkpt> left open on line 5 meets </trkseg> on line 6.
        BadGpx{"MalformedXml", Gpx(kGood + "<trkpt lat=\"1\" lon=\"1\"><time>2020-01-01T00:00:01Z</time>\n"), 6,
               "malformed XML"},
        BadGpx{"NotGpx", "<kml>\n</kml>", 1, "not <gpx>"},
        BadGpx{"NoLatitude", Gpx(kGood + "<trkpt lon=\"1\"><time>2020-01-01T00:00:01Z</time></trkpt>\n"), 5,
               "without the attribute lat"},
        BadGpx{"LatitudeText", Gpx(kGood + kGood + "<trkpt lat=\"1,5\" lon=\"1\"/>\n"), 6, "is not a number"},
        BadGpx{"LatitudeRange", Gpx("<trkpt lat=\"91\" lon=\"1\"/>\n"), 4, "outside -90..90"},
        BadGpx{"LongitudeRange", Gpx("<trkpt lat=\"1\" lon=\"-180.5\"/>\n"), 4, "outside -180..180"},
        BadGpx{"NoTime", Gpx(kGood + "<trkpt lat=\"1\" lon=\"1\"></trkpt>\n"), 5, "without <time>"},
        BadGpx{"BadTime", Gpx(kGood + "<trkpt lat=\"1\" lon=\"1\">\n<time>yesterday</time></trkpt>\n"), 6,
               "not an ISO 8601 time"},
        BadGpx{"BadSpeed",
               Gpx(kGood + "<trkpt lat=\"1\" lon=\"1\"><time>2020-01-01T00:00:01Z</time><speed>fast</speed></trkpt>\n"),
               5, "not a speed"},
        BadGpx{"TimeGoesBack", Gpx(kGood + Point(1, 1.1, "2019-12-31T23:59:59Z")), 5, "time goes back"},
        BadGpx{"NoPoints", Gpx(""), 0, "no track points"},
        BadGpx{"OnePoint", Gpx(kGood), 0, "at least two"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GpxReader, ReadDriveTellsGpxFromNmeaAndRejectsOtherFiles) {
  testing::ScratchFolder folder;
  const std::string gpx = folder.Write("a.gpx", "\xEF\xBB\xBF  \n" + Gpx(kGood + Point(1, 1.1, "2020-01-01T00:00:01Z")));
  EXPECT_EQ(ReadDrive(gpx).fixes.size(), 2u);
  const std::string other = folder.Write("b.txt", "lat,lon\n1,2\n");
  EXPECT_THROW(ReadDrive(other), DriveError);
  EXPECT_THROW(ReadDrive(folder.Path("missing.gpx")), DriveError);
}

// The 89 points without a fix lie in 10 runs (a scan of the file); the first,
// 62 points from line 7, covers 12:31:38.545 to the first fix at
// 12:34:04.537 and 1241.5 m by the haversine on a 6371 km sphere, which the
// ellipsoid's length matches to within a few tenths of a percent.
TEST(GpxReader, SbnTrackLeavesOutItsNoFixPointsAndSaysWhatTheyCover) {
  TREZIK_TRACK_OR_SKIP(path, "sbn-v13.gpx");
  const Drive drive = ReadDrive(path);
  EXPECT_EQ(drive.fixes.size(), 3453u - 89u);
  EXPECT_TRUE(drive.has_speed());
  ASSERT_EQ(drive.no_fix.size(), 10u);
  std::size_t points = 0;
  for (const NoFixStretch& stretch : drive.no_fix) points += stretch.points;
  EXPECT_EQ(points, 89u);
  const NoFixStretch& first = drive.no_fix.front();
  EXPECT_EQ(first.first_line, 7);
  EXPECT_EQ(first.points, 62u);
  EXPECT_NEAR(first.start_time, *ParseIsoTime("2010-02-01T12:31:38.545Z"), 1e-6);
  EXPECT_NEAR(first.end_time, *ParseIsoTime("2010-02-01T12:34:04.537Z"), 1e-6);
  EXPECT_NEAR(first.metres, 1241.5, 1241.5 * 0.005);

  // --keep-nofix counts them as fixes.
  ReadOptions keep;
  keep.keep_nofix = true;
  const Drive kept = ReadDrive(path, keep);
  EXPECT_EQ(kept.fixes.size(), 3453u);
  EXPECT_TRUE(kept.no_fix.empty());
}

TEST(GpxReader, MoscowTrackHasNoSpeedAndOneRepeatedTime) {
  TREZIK_TRACK_OR_SKIP(path, "Gpx-full-sample.gpx");
  const Drive drive = ReadDrive(path);
  EXPECT_EQ(drive.fixes.size(), 2747u - 1u);
  EXPECT_FALSE(drive.has_speed());
  EXPECT_EQ(drive.format, "GPX 1.0");
}

}  // namespace
}  // namespace trezik::drive
