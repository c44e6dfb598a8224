// What receivers write, read through ReadDrive from small logs made here:
// dates from ZDA, line ends, byte order marks and UTF-16, gpsd's comments,
// NMEA between binary messages, late sentences, an appended capture, GPX
// points without times. The times expected are seconds since 1970 worked
// out with Python's calendar.timegm.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drive_test_support.h"
#include "tools/tracks/read_drive.h"

namespace trezik::drive {
namespace {

// "$" body "*" checksum, the XOR of the body's bytes, without a line end.
std::string Nmea(const std::string& body) {
  unsigned sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  char hex[4];
  std::snprintf(hex, sizeof hex, "%02X", sum);
  return "$" + body + "*" + hex;
}

std::string Rmc(const std::string& time, const std::string& date = "110410", const std::string& lat = "4901.5940") {
  return Nmea("GPRMC," + time + ",A," + lat + ",N,01203.9163,E,10.0,131.9," + date + ",,,A");
}
std::string Gga(const std::string& time, const std::string& lat = "4901.5940") {
  return Nmea("GPGGA," + time + "," + lat + ",N,01203.9163,E,1,07,1.0,336.7,M,46.6,M,,");
}
std::string Gll(const std::string& time, const std::string& status = "A") {
  return Nmea("GPGLL,4901.5940,N,01203.9163,E," + time + "," + status + ",A");
}
// A phone's export: each sentence between a tag and the time it was taken.
std::string Tagged(const std::string& sentence) { return "NMEA," + sentence + ",1270980000000"; }
std::string Zda(const std::string& time, const std::string& day_month_year) {
  return Nmea("GPZDA," + time + "," + day_month_year + ",00,00");
}

// The lines joined, each ended by `end`.
std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// Seconds of the day of RMC fixes from 10:00:00 on, one a second.
std::vector<std::string> RmcSeconds(int from, int count) {
  std::vector<std::string> lines;
  for (int s = from; s < from + count; ++s) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d", 10 + s / 3600, s / 60 % 60, s % 60);
    lines.push_back(Rmc(time));
  }
  return lines;
}

std::string Utf16(const std::string& ascii, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : ascii) out += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

// Bytes of a u-blox UBX message with its payload from a generator: control
// bytes, line ends and '$' among them, as in real captures.
std::string Ubx(std::size_t size, std::uint32_t& state) {
  std::string bytes = "\xB5\x62";
  while (bytes.size() < size) {
    state = state * 1664525u + 1013904223u;
    bytes += static_cast<char>(state >> 24);
  }
  return bytes;
}

std::string Gpx(const std::string& points, const std::string& declaration = "") {
  return declaration + "<gpx version=\"1.1\"><trk><trkseg>\n" + points + "</trkseg></trk></gpx>\n";
}
std::string Point(const std::string& lon, const std::string& time) {
  return "<trkpt lat=\"52\" lon=\"" + lon + "\">" + (time.empty() ? "" : "<time>" + time + "</time>") +
         "</trkpt>\n";
}

struct Rule {
  const char* name;
  std::string content;
  bool strict = false;
  // Read: the fixes, the times of the first and last, the line of the last,
  // the damage skipped (none unless named), words of one note.
  std::size_t fixes = 0;
  double first_time = 0, last_time = 0;
  int last_line = 0;
  std::vector<std::pair<Damage, std::size_t>> skipped = {};
  const char* note = nullptr;
  bool date_assumed = false;
  std::optional<double> utc_offset_hours = {};  // the offset the log's times carry
  std::optional<std::pair<double, double>> first_position = {};  // latitude, longitude
  // Refused: words of the message.
  const char* refused = nullptr;
};

void PrintTo(const Rule& rule, std::ostream* out) { *out << rule.name; }

class ReadingRules : public ::testing::TestWithParam<Rule> {};

TEST_P(ReadingRules, ReadOrRefusedInTheDriversWords) {
  const Rule& rule = GetParam();
  testing::ScratchFolder scratch;
  const std::string path = scratch.Write("drive", rule.content);
  if (rule.refused != nullptr) {
    try {
      ReadDrive(path, {.strict = rule.strict});
      FAIL() << "read, not refused";
    } catch (const DriveError& error) {
      EXPECT_NE(std::string(error.what()).find(rule.refused), std::string::npos) << error.what();
    }
    return;
  }
  const Drive drive = ReadDrive(path, {.strict = rule.strict});
  std::string notes;
  for (const std::string& note : drive.notes) notes += note + "\n";
  ASSERT_EQ(drive.fixes.size(), rule.fixes) << notes;
  EXPECT_DOUBLE_EQ(drive.fixes.front().time, rule.first_time);
  EXPECT_DOUBLE_EQ(drive.fixes.back().time, rule.last_time);
  EXPECT_EQ(drive.fixes.back().line, rule.last_line);
  EXPECT_EQ(drive.utc_offset_hours, rule.utc_offset_hours);
  std::size_t skipped = 0, expected = 0;
  for (const Skipped& kind : drive.skipped) skipped += kind.count;
  for (const auto& [damage, count] : rule.skipped) {
    EXPECT_EQ(drive.skipped_count(damage), count) << DamageText(damage);
    expected += count;
  }
  EXPECT_EQ(skipped, expected) << notes;
  if (rule.note != nullptr) {
    EXPECT_NE(notes.find(rule.note), std::string::npos) << notes;
  }
  EXPECT_EQ(drive.date_assumed, rule.date_assumed);
  if (rule.first_position) {
    EXPECT_NEAR(drive.fixes.front().latitude, rule.first_position->first, 1e-6);
    EXPECT_NEAR(drive.fixes.front().longitude, rule.first_position->second, 1e-6);
  }
}

constexpr double k20100411 = 1270944000;  // 2010-04-11T00:00:00Z
constexpr double k10h = 36000;

INSTANTIATE_TEST_SUITE_P(
    Table, ReadingRules,
    ::testing::Values(
        // Dates.
        Rule{.name = "GgaDatedByZdaAcrossMidnight",
             .content = Lines({Gga("235958"), Zda("235959", "05,03,2024"), Gga("235959"), Zda("000000", "06,03,2024"),
                               Gga("000001")}),
             .fixes = 3, .first_time = 1709683199 - 1, .last_time = 1709683201, .last_line = 5,
             .note = "dated by the log's ZDA sentences"},
        Rule{.name = "GgaAloneIsDatedByAssumption", .content = Lines({Gga("120000"), Gga("120001")}),
             .fixes = 2, .first_time = 946728000, .last_time = 946728001, .last_line = 2,
             .note = "an assumed date", .date_assumed = true},
        Rule{.name = "GgaAloneAcrossMidnightSteps", .content = Lines({Gga("235959"), Gga("000001")}),
             .fixes = 2, .first_time = 946771201 - 2, .last_time = 946771201, .last_line = 2, .date_assumed = true},
        Rule{.name = "GgaBeforeTheFirstRmcAcrossMidnight", .content = Lines({Gga("235959"), Rmc("000000", "110410")}),
             .fixes = 2, .first_time = 1270943999, .last_time = k20100411, .last_line = 2},
        Rule{.name = "RepeatedGgaBeforeTheFirstDate",
             .content = Lines({Gga("100000"), Gga("100000"), Gga("100001"), Rmc("100002")}),
             .fixes = 3, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 2, .last_line = 4},
        Rule{.name = "ZdaDateThatIsNoDay", .content = Lines({Zda("120000", "31,02,2024"), Gga("120000"), Gga("120001")}),
             .fixes = 2, .first_time = 946728000, .last_time = 946728001, .last_line = 3,
             .skipped = {{Damage::kBadField, 1}}, .date_assumed = true},
        // Line ends, byte order marks, UTF-16.
        Rule{.name = "CrCrLf", .content = Lines(RmcSeconds(0, 3), "\r\r\n"),
             .fixes = 3, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 2, .last_line = 3},
        Rule{.name = "LoneCr", .content = Lines(RmcSeconds(0, 3), "\r"),
             .fixes = 3, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 2, .last_line = 3},
        Rule{.name = "Utf8ByteOrderMark", .content = "\xEF\xBB\xBF" + Lines(RmcSeconds(0, 2)),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 2},
        Rule{.name = "Utf16LittleEndian", .content = Utf16(Lines(RmcSeconds(0, 2)), false),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 2,
             .note = "UTF-16 text (little-endian)"},
        Rule{.name = "Utf16BigEndian", .content = Utf16(Lines(RmcSeconds(0, 2)), true),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 2},
        Rule{.name = "Utf16Gpx",
             .content = Utf16(Gpx(Point("5", "2020-01-01T00:00:00Z") + Point("5.001", "2020-01-01T00:00:01Z"),
                                  "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"), false),
             .fixes = 2, .first_time = 1577836800, .last_time = 1577836801, .last_line = 4},
        Rule{.name = "Utf8ByteOrderMarkGpx",
             .content = "\xEF\xBB\xBF" + Gpx(Point("5", "2020-01-01T00:00:00Z") + Point("5.001", "2020-01-01T00:00:01Z")),
             .fixes = 2, .first_time = 1577836800, .last_time = 1577836801, .last_line = 3},
        // gpsd's comments, also when reading strictly.
        Rule{.name = "GpsdComments", .content = Lines({"# Name: a gpsd log", Rmc("100000"), "#comment", Rmc("100001")}),
             .strict = true, .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1,
             .last_line = 4, .note = "2 comment line(s) starting with '#'"},
        // Order.
        Rule{.name = "GgaComesAfterTheNextSecondsRmc", .content = Lines({Rmc("100000"), Rmc("100002"), Gga("100001")}),
             .fixes = 3, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 2, .last_line = 2,
             .note = "1 sentence(s) came up to 1 s after a later one"},
        Rule{.name = "TwoFixesGoBack", .content = Lines([] {
               std::vector<std::string> lines = RmcSeconds(100, 5);
               const std::vector<std::string> back = RmcSeconds(0, 2);
               lines.insert(lines.begin() + 3, back.begin(), back.end());
               return lines; }()),
             .fixes = 5, .first_time = k20100411 + k10h + 100, .last_time = k20100411 + k10h + 104, .last_line = 7,
             .skipped = {{Damage::kTimeGoesBack, 2}}},
        Rule{.name = "AppendedCapture", .content = Lines([] {
               std::vector<std::string> lines = RmcSeconds(3600, 12);
               for (const std::string& line : RmcSeconds(0, 3650)) lines.push_back(line);
               return lines; }()),
             .fixes = 12, .first_time = k20100411 + k10h + 3600, .last_time = k20100411 + k10h + 3611, .last_line = 12,
             .note = "line 13 starts another capture appended to the log: its time goes back 1 h 00 min from the fix "
                     "of line 12, so its 3650 fixes (lines 13 to 3662) are left out"},
        // Twelve fixes an hour back, then the log goes on: damaged times.
        Rule{.name = "FixesAnHourBackThenTheLogGoesOn", .content = Lines([] {
               std::vector<std::string> lines = RmcSeconds(3600, 3);
               for (const std::string& line : RmcSeconds(0, 12)) lines.push_back(line);
               lines.push_back(RmcSeconds(3603, 1)[0]);
               return lines; }()),
             .fixes = 4, .first_time = k20100411 + k10h + 3600, .last_time = k20100411 + k10h + 3603, .last_line = 16,
             .skipped = {{Damage::kTimeGoesBack, 12}}},
        // GPX times.
        Rule{.name = "GpxPointsWithoutTime",
             .content = Gpx(Point("5", "2020-01-01T00:00:00Z") + Point("5.001", "") + Point("5.002", "") +
                            Point("5.003", "2020-01-01T00:00:03Z")),
             .fixes = 2, .first_time = 1577836800, .last_time = 1577836803, .last_line = 5,
             .skipped = {{Damage::kNoTime, 2}}, .note = "skipped 2 track points without a time (<time>) (lines 3, 4)"},
        // 02:00 at UTC+2 and 23:30 at UTC-3:30 the day before are 2020-01-01 00:00 UTC.
        Rule{.name = "GpxTimesWithTheirOffset",
             .content = Gpx(Point("5", "2020-01-01T02:00:00+02:00") + Point("5.001", "2019-12-31T20:30:01-03:30")),
             .fixes = 2, .first_time = 1577836800, .last_time = 1577836801, .last_line = 3, .utc_offset_hours = 2.0},
        // Three points from 00:10:00, then ten from 00:00:00: a capture of its own.
        Rule{.name = "GpxCaptureAppendedWithEarlierTimes",
             .content = Gpx([] {
               std::string points;
               for (int s = 0; s < 3; ++s) points += Point("5.00" + std::to_string(s), "2020-01-01T00:10:0" + std::to_string(s) + "Z");
               for (int s = 0; s < 10; ++s) points += Point("6.00" + std::to_string(s), "2020-01-01T00:00:0" + std::to_string(s) + "Z");
               return points;
             }()),
             .fixes = 3, .first_time = 1577837400, .last_time = 1577837402, .last_line = 4,
             .note = "line 5 starts another capture appended to the file: its time goes back 10 min 2 s from the point of "
                     "line 4, so its 10 track points (lines 5 to 14) are left out"},
        Rule{.name = "GpxWithoutAnyTime", .content = Gpx(Point("5", "") + Point("5.001", "") + Point("5.002", "")),
             .refused = "none of its 3 track points has a time (<time>)"},
        Rule{.name = "GpxPointsShareOneTime",
             .content = Gpx(Point("5", "2020-01-01T00:00:00Z") + Point("5.001", "2020-01-01T00:00:00Z") +
                            Point("5.002", "2020-01-01T00:00:00Z")),
             .refused = "all 3 track points with a time share one, 2020-01-01 00:00:00 UTC"},
        // As GPSBabel and gpsd read: GLL fixes, dated by ZDA or RMC where the log has them, else by assumption.
        Rule{.name = "GllAloneIsDatedByAssumption", .content = Lines({Gll("100000"), Gll("100001"), Gll("100002", "V")}),
             .fixes = 2, .first_time = 946720800, .last_time = 946720801, .last_line = 2,
             .note = "1 GLL sentence(s) with status V", .date_assumed = true,
             .first_position = std::pair{49.02656667, 12.06527167}},
        Rule{.name = "GllDatedByZda", .content = Lines({Zda("100000", "11,04,2010"), Gll("100000"), Gll("100001")}),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 3},
        // 30 deg 3.1914' south, 51 deg 26.2728' east; 9 deg 0.5' west.
        Rule{.name = "CoordinatesWithASignAndFewerDigits",
             .content = Lines({Nmea("GPRMC,100000,A,-3003.1914,N,5126.2728,E,10.0,131.9,110410,,,A"),
                               Nmea("GPGGA,100001,+3003.1914,S,900.5,W,1,07,1.0,336.7,M,46.6,M,,")}),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 2,
             .first_position = std::pair{-30.05319, 51.43788}},
        Rule{.name = "GpxOffsetsWithoutAColonOrMinutes",
             .content = Gpx(Point("5", "2020-01-01T01:00:00+0100") + Point("5.001", "2020-01-01T01:00:01+01")),
             .fixes = 2, .first_time = 1577836800, .last_time = 1577836801, .last_line = 3, .utc_offset_hours = 1.0},
        // Each line counted once, under its first reason (the tag, not the checksum after it).
        Rule{.name = "PhoneExportCountedOncePerLine",
             .content = Lines({Tagged(Rmc("100000")), Rmc("100000"), Tagged(Rmc("100001")), Rmc("100001")}),
             .fixes = 2, .first_time = k20100411 + k10h, .last_time = k20100411 + k10h + 1, .last_line = 4,
             .skipped = {{Damage::kGarbled, 2}}},
        Rule{.name = "RefusalNamesTheMostCommonReason",
             .content = Lines({Tagged(Rmc("100000")), Tagged(Rmc("100001")), Tagged(Rmc("100002"))}),
             .refused = "no usable fix is left: no RMC, GGA or GLL sentence with a valid fix (skipped: 3 garbled; the "
                        "first at line 1: not an NMEA sentence: it does not start with '$')"},
        Rule{.name = "RefusalNamesTheLineAndTheField",
             .content = Lines({Nmea("GPRMC,100000,A,4901.5940,N,1203x9163,E,10.0,131.9,110410,,,A"),
                               "GPRMC,100001", Nmea("GPRMC,100002,A,4901.5940,N,1203.9163,Q,10.0,131.9,110410,,,A")}),
             .refused = "(skipped: 1 garbled, 2 with a field that cannot be read; most of them with a field that "
                        "cannot be read, the first at line 1: RMC longitude '1203x9163,E' is not dddmm.mmmm)"},
        Rule{.name = "BinaryWithoutNmea", .content = [] { std::uint32_t s = 1; return Ubx(4096, s); }(),
             .refused = "is not text at all"}),
    [](const auto& info) { return std::string(info.param.name); });

// A capture of u-blox binary messages with RMC sentences between them:
// every fix read, even strictly, and every byte between them counted.
TEST(ReadingRules, NmeaBetweenBinaryMessagesIsReadAndItsBytesCounted) {
  std::uint32_t state = 7;
  std::string log = Ubx(300, state);
  for (const std::string& rmc : RmcSeconds(0, 4)) log += rmc + "\r\n" + Ubx(300, state);
  testing::ScratchFolder scratch;
  const Drive drive = ReadDrive(scratch.Write("capture", log), {.strict = true});
  EXPECT_EQ(drive.fixes.size(), 4u);
  EXPECT_TRUE(drive.skipped.empty());
  std::string notes;
  for (const std::string& note : drive.notes) notes += note + "\n";
  EXPECT_NE(notes.find("skipped 1500 bytes of binary receiver messages"), std::string::npos) << notes;
  EXPECT_NE(notes.find("in 5 stretch(es)"), std::string::npos) << notes;
}

}  // namespace
}  // namespace trezik::drive
