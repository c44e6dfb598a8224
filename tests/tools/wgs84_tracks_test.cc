// The plug-in's WGS84 step over every step of the four recorded drives,
// against GeographicLib's geodesic (Karney's method, accurate to nanometres).
#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <cmath>

#include "drive_test_support.h"
#include "tools/tracks/drive.h"
#include "tools/tracks/read_drive.h"
#include "trip/wgs84.h"

namespace trezik::drive {
namespace {

class Wgs84OnRecordedDrives : public ::testing::TestWithParam<const char*> {};

TEST_P(Wgs84OnRecordedDrives, EveryStepWithinAMillimetreAndTheSumWithinAMillionth) {
  TREZIK_TRACK_OR_SKIP(path, GetParam());
  const Drive drive = ReadDrive(path);
  ASSERT_GT(drive.fixes.size(), 100u);
  double worst = 0.0, sum = 0.0, reference_sum = 0.0;
  for (std::size_t i = 1; i < drive.fixes.size(); ++i) {
    const Fix& a = drive.fixes[i - 1];
    const Fix& b = drive.fixes[i];
    double reference = 0.0;
    GeographicLib::Geodesic::WGS84().Inverse(a.latitude, a.longitude, b.latitude, b.longitude,
                                             reference);
    const double metres = Wgs84NauticalMiles(a.latitude, b.latitude, a.longitude, b.longitude) * 1852.0;
    worst = std::max(worst, std::fabs(metres - reference));
    sum += metres;
    reference_sum += reference;
  }
  EXPECT_LT(worst, 1e-3) << "metres";
  EXPECT_NEAR(sum, reference_sum, reference_sum * 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Tracks, Wgs84OnRecordedDrives,
                         ::testing::Values("20100403_Z205_Switzerland.txt",
                                           "20100411_Geko_Regensburg.txt",
                                           "Gpx-full-sample.gpx", "sbn-v13.gpx"));

}  // namespace
}  // namespace trezik::drive
