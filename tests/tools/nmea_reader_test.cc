#include "tools/tracks/nmea_reader.h"
#include "tools/tracks/read_drive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "drive_test_support.h"

namespace trezik::drive {
namespace {

// A sentence with its checksum, from the text between "$" and "*".
std::string Sentence(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", NmeaChecksum(body));
  return "$" + body + sum + "\r\n";
}

const std::string kRmc1 = Sentence("GPRMC,235958,A,4901.5940,N,01203.9163,E,10.0,131.9,110410,1.6,E,A");
const std::string kRmc2 = Sentence("GPRMC,235959.500,A,4901.6000,N,01203.9200,E,12.0,131.9,110410,1.6,E,A");

TEST(NmeaReader, ChecksumOfAKnownSentence) {
  // From a Garmin Geko log: "$GPRMC,165744,...*1F".
  EXPECT_EQ(NmeaChecksum("GPRMC,165744,A,4901.5940,N,01203.9163,E,0.0,131.9,110410,1.6,E,A"), 0x1F);
}

TEST(NmeaReader, ReadsRmcPositionTimeAndSpeed) {
  const Drive drive = ReadNmea("log.nmea", kRmc1 + kRmc2);
  ASSERT_EQ(drive.fixes.size(), 2u);
  EXPECT_NEAR(drive.fixes[0].latitude, 49 + 1.5940 / 60, 1e-12);
  EXPECT_NEAR(drive.fixes[0].longitude, 12 + 3.9163 / 60, 1e-12);
  ASSERT_TRUE(drive.fixes[0].speed_mps);
  EXPECT_NEAR(*drive.fixes[0].speed_mps, 10.0 * 1852.0 / 3600.0, 1e-12);
  EXPECT_DOUBLE_EQ(drive.fixes[1].time - drive.fixes[0].time, 1.5);
  EXPECT_EQ(drive.fixes[1].line, 2);
  EXPECT_EQ(drive.format, "NMEA 0183");
}

TEST(NmeaReader, SouthAndWestAreNegative) {
  const Drive drive =
      ReadNmea("s.nmea", Sentence("GNRMC,120000,A,3351.0000,S,07040.5000,W,0,,010120,,,A") +
                             Sentence("GNRMC,120001,A,3351.0001,S,07040.5001,W,0,,010120,,,A"));
  EXPECT_NEAR(drive.fixes[0].latitude, -(33 + 51.0 / 60), 1e-12);
  EXPECT_NEAR(drive.fixes[0].longitude, -(70 + 40.5 / 60), 1e-12);
}

TEST(NmeaReader, VoidRmcIsLeftOutAndGgaFillsItsTimeWithTheRmcDate) {
  const std::string log = kRmc1 + Sentence("GPRMC,235959,V,,,,,,,110410,,,N") +
                          Sentence("GPGGA,235959,4901.5990,N,01203.9190,E,1,07,1.0,336.7,M,46.6,M,,") +
                          Sentence("GPGGA,000000,4901.6010,N,01203.9210,E,1,07,1.0,336.7,M,46.6,M,,") +
                          Sentence("GPGGA,000001,,,,,0,00,,,M,,M,,");
  const Drive drive = ReadNmea("gap.nmea", log);
  ASSERT_EQ(drive.fixes.size(), 3u);
  EXPECT_DOUBLE_EQ(drive.fixes[1].time - drive.fixes[0].time, 1.0);
  // Past midnight the GGA time of day falls back: the next day.
  EXPECT_DOUBLE_EQ(drive.fixes[2].time - drive.fixes[0].time, 2.0);
  EXPECT_FALSE(drive.fixes[1].speed_mps);
  ASSERT_EQ(drive.notes.size(), 3u);
  EXPECT_NE(drive.notes[0].find("1 RMC sentence(s) with status V"), std::string::npos);
}

TEST(NmeaReader, RmcWinsOverGgaAtTheSameTime) {
  const Drive drive = ReadNmea(
      "both.nmea", kRmc1 + Sentence("GPGGA,235958,4000.0000,N,01000.0000,E,1,07,1.0,336.7,M,46.6,M,,") + kRmc2);
  ASSERT_EQ(drive.fixes.size(), 2u);
  EXPECT_NEAR(drive.fixes[0].latitude, 49 + 1.5940 / 60, 1e-12);
}

TEST(NmeaReader, IgnoresNulBytesBeforeASentenceAndOtherSentences) {
  const std::string log = std::string("\0\0", 2) + Sentence("PSRFTXT,Version:08.02") + kRmc1 +
                          Sentence("GPGSA,A,3,04,17,13,23,,,,,,,,,2.7,2.5,1.0") + "\r\n" + kRmc2;
  EXPECT_EQ(ReadNmea("nul.nmea", log).fixes.size(), 2u);
}

struct BadLog {
  const char* name;
  std::string log;
  int line;
  const char* says;
};

class NmeaReaderFault : public ::testing::TestWithParam<BadLog> {};

// Read strictly: refused at the first damaged sentence.
TEST_P(NmeaReaderFault, NamesFileLineAndFault) {
  const BadLog& bad = GetParam();
  try {
    ReadNmea("drive.nmea", bad.log, {.strict = true});
    FAIL() << "no error";
  } catch (const DriveError& error) {
    EXPECT_EQ(error.path(), "drive.nmea");
    EXPECT_EQ(error.line(), bad.line);
    EXPECT_NE(error.reason().find(bad.says), std::string::npos) << error.what();
    const std::string prefix = bad.line > 0 ? "drive.nmea:" + std::to_string(bad.line) + ": " : "drive.nmea: ";
    EXPECT_EQ(std::string(error.what()).rfind(prefix, 0), 0u) << error.what();
  }
}

std::string Corrupt(std::string sentence) {
  sentence[20] = sentence[20] == '1' ? '2' : '1';
  return sentence;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NmeaReaderFault,
    ::testing::Values(
        BadLog{"Checksum", kRmc1 + Corrupt(kRmc2), 2, "checksum mismatch"},
        BadLog{"NoChecksum", kRmc1 + "$GPRMC,235959,A,4901.6,N,01203.92,E,1,1,110410,,\r\n", 2, "without a checksum"},
        BadLog{"ShortChecksum", "$GPRMC,1*5\r\n", 1, "not two hex digits"},
        BadLog{"NotASentence", kRmc1 + "\r\nhello\r\n", 3, "not an NMEA sentence"},
        BadLog{"Latitude", Sentence("GPRMC,235958,A,49x1.5940,N,01203.9163,E,1,1,110410,,"), 1, "latitude"},
        BadLog{"LatitudeDigits", Sentence("GPRMC,235958,A,49001.5940,N,01203.9163,E,1,1,110410,,"), 1, "ddmm.mmmm"},
        BadLog{"Hemisphere", Sentence("GPRMC,235958,A,4901.5940,E,01203.9163,E,1,1,110410,,"), 1, "hemisphere"},
        BadLog{"Minutes", Sentence("GPRMC,235958,A,4961.5940,N,01203.9163,E,1,1,110410,,"), 1, "degrees and minutes"},
        BadLog{"Date", Sentence("GPRMC,235958,A,4901.5940,N,01203.9163,E,1,1,310210,,"), 1, "ddmmyy"},
        BadLog{"Time", Sentence("GPRMC,246000,A,4901.5940,N,01203.9163,E,1,1,110410,,"), 1, "time"},
        BadLog{"Speed", Sentence("GPRMC,235958,A,4901.5940,N,01203.9163,E,-3,1,110410,,"), 1, "speed"},
        BadLog{"Status", Sentence("GPRMC,235958,X,4901.5940,N,01203.9163,E,1,1,110410,,"), 1, "status"},
        BadLog{"FewFields", Sentence("GPRMC,235958,A,4901.5940"), 1, "fields"},
        BadLog{"GgaQuality", Sentence("GPGGA,235958,4901.5940,N,01203.9163,E,x,07,1.0,1,M,1,M,,"), 1, "quality"},
        BadLog{"NoFix", Sentence("GPRMC,235959,V,,,,,,,110410,,,N"), 0, "no RMC, GGA or GLL sentence with a valid fix"},
        BadLog{"OneFix", kRmc1, 0, "at least two"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NmeaReader, RegensburgLogHasItsPublishedFixCount) {
  TREZIK_TRACK_OR_SKIP(path, "20100411_Geko_Regensburg.txt");
  const Drive drive = ReadDrive(path);
  // 774 RMC with status A; every GGA fix shares the time of one of them.
  EXPECT_EQ(drive.fixes.size(), 774u);
  EXPECT_NEAR(drive.duration(), 26 * 60 + 16, 1e-9);
  EXPECT_TRUE(drive.has_speed());
}

TEST(NmeaReader, SwitzerlandLogWithNulBytesAndFractionalSeconds) {
  TREZIK_TRACK_OR_SKIP(path, "20100403_Z205_Switzerland.txt");
  const Drive drive = ReadDrive(path);
  EXPECT_EQ(drive.fixes.size(), 10327u);
  EXPECT_NEAR(drive.duration(), 2 * 3600 + 57 * 60 + 3.156, 1e-3);
}

}  // namespace
}  // namespace trezik::drive
