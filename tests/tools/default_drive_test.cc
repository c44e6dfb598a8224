// The committed default drive is exactly what its generator writes, and its
// NMEA twin (the live demo's) reads to the same fixes as its GPX.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "drive_test_support.h"
#include "tools/tracks/read_drive.h"

namespace trezik::drive {
namespace {

TEST(DefaultDrive, CommittedFilesAreTheGeneratorsOutput) {
  testing::ScratchFolder scratch;
  const std::string command = std::string(TREZIK_GENERATOR) + " " + scratch.Path() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : {"default_drive.gpx", "default_drive.script", "default_drive.nmea"}) {
    EXPECT_EQ(testing::ReadText(scratch.Path(name)),
              testing::ReadText(testing::SourcePath(std::string("tools/simulator/default_drive/") + name)))
        << name << " differs: run the target default_drive and commit the result";
  }
}

// GPX writes degrees with seven decimals, NMEA minutes with five: the two
// agree to 1e-7 degrees (1 cm); speeds are metres per second with two
// decimals against knots with two (0.005 knots is 0.0026 m/s).
TEST(DefaultDrive, NmeaTwinHasTheFixesOfTheGpx) {
  const std::string folder = testing::SourcePath("tools/simulator/default_drive/");
  const Drive gpx = ReadDrive(folder + "default_drive.gpx");
  const Drive nmea = ReadDrive(folder + "default_drive.nmea");
  ASSERT_EQ(nmea.fixes.size(), gpx.fixes.size());
  for (std::size_t i = 0; i < gpx.fixes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(nmea.fixes[i].time, gpx.fixes[i].time);
    EXPECT_NEAR(nmea.fixes[i].latitude, gpx.fixes[i].latitude, 1.1e-7);
    EXPECT_NEAR(nmea.fixes[i].longitude, gpx.fixes[i].longitude, 1.1e-7);
    EXPECT_NEAR(nmea.fixes[i].speed_mps.value_or(-1), gpx.fixes[i].speed_mps.value_or(-2), 0.008);
  }
}

}  // namespace
}  // namespace trezik::drive
