// Reading the logs: the lines that do not read, line ends, and records read
// twice.
#include <gtest/gtest.h>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

std::string Trip(const std::string& place) {
  return "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,\"48.012\",\"11.5\",\"" + place + "\"";
}

TEST(ReportReading, EachBadLineIsSkippedAndListedWithItsLineNumberAndWhy) {
  const struct {
    LogKind kind;
    std::string line;
    const char* why;
  } cases[] = {
      {LogKind::kTrip, R"("2026-12-07","08:01:01",1.33,101.33,2.67,"48.012","11.5")", "7 fields, a trip record has 8"},
      {LogKind::kTrip, R"("2026-13-07","08:01:01",1,2,3,"a","b","c")", "date \"2026-13-07\" is not a date"},
      {LogKind::kTrip, R"("2026-02-29","08:01:01",1,2,3,"a","b","c")", "date \"2026-02-29\" is not a date"},
      {LogKind::kTrip, R"("2026-12-07","24:00:00",1,2,3,"a","b","c")", "time \"24:00:00\" is not a time"},
      {LogKind::kTrip, R"("2026-12-07","08:01:01",1;33,2,3,"a","b","c")", "trip \"1;33\" is not a number"},
      {LogKind::kTrip, R"("2026-12-07","08:01:01",1,1e999,3,"a","b","c")", "total \"1e999\" is not a number"},
      {LogKind::kTrip, R"("2026-12-07","08:01:01",1,2,3,"a","b","Ring)", "field 8: the quote is not closed"},
      {LogKind::kTrip, R"("2026-12-07"x,"08:01:01",1,2,3,"a","b","c")", "field 1: text after the closing quote"},
      {LogKind::kTrip, std::string("\"2026-12-07\",\"08:01:01\",1,2,3,\"a\",\"b\",\"c\0\0\0\"", 44),
       "binary data (byte 0x00 at column 41)"},
      {LogKind::kFuel, R"("2026-12-07","08:00:00",35.2,100,"35,2,1",1.5,0.53,"a","b","c")",
       "consumption \"35,2,1\" is not a number"},
      {LogKind::kFuel, Trip("Ring Road"), "8 fields, a fill-up record has 10"},
  };
  testing::Scratch scratch;
  for (const auto& c : cases) {
    // The bad line between two good ones: it is line 2, and both good ones count.
    const bool trip = c.kind == LogKind::kTrip;
    const std::string good1 = trip ? Trip("A") : R"("2026-12-07","08:00:00",35.2,100,"35,2",1.5,0.53,"a","b","A")";
    const std::string good2 = trip ? Trip("B") : R"("2026-12-08","08:00:00",35.2,100,"35,2",1.5,0.53,"a","b","B")";
    const std::string path =
        scratch.Write(trip ? "tripmeter.log" : "fuel.log", good1 + "\r\n" + c.line + "\r\n" + good2 + "\r\n");
    const Report report = WriteReport({path}, scratch.Path("out"), {});
    ASSERT_EQ(report.first_bad.size(), 1u) << c.line;
    EXPECT_EQ(report.first_bad[0].file + ":" + std::to_string(report.first_bad[0].line), path + ":2");
    EXPECT_EQ(report.first_bad[0].why.substr(0, std::string(c.why).size()), c.why) << c.line;
    EXPECT_EQ(report.totals.trip_records + report.totals.fill_ups, 2) << c.line;
    EXPECT_EQ(scratch.Read("out/unreadable.txt").rfind(path + ":2: " + c.why, 0), 0u) << c.line;
  }
}

TEST(ReportReading, ReadsCrLfLfAndALastLineWithoutAnEnd) {
  testing::Scratch scratch;
  // Three records: CR LF, LF alone, and no line end at all; a blank line holds no record.
  const std::string path = scratch.Write("trips.log", Trip("Ring Road") + "\r\n" + Trip("Ring Road0") + "\n\n" +
                                                          Trip("Ring Road1"));
  const Report report = WriteReport({path}, scratch.Path("out"), {});
  ASSERT_EQ(report.latest_trips.size(), 3u);
  EXPECT_EQ(report.bad_lines, 0);
  EXPECT_EQ(report.latest_trips[1].place, "Ring Road0");
  EXPECT_EQ(report.latest_trips[2].place, "Ring Road1");
}

TEST(ReportReading, ARecordReadTwiceCountsOnce) {
  testing::Scratch scratch;
  const std::string fill1 = R"("2026-11-05","07:30:00",40,500,"8",1.6,0.13,"a","b","c")" "\r\n";
  const std::string fill2 = R"("2026-12-07","08:00:00",35.2,440,"8",1.5,0.12,"a","b","c")" "\r\n";
  scratch.Write("old/fuel.log", fill1);
  scratch.Write("new/fuel.log", fill1 + fill2);  // the old log copied and carried on
  // The same folder twice, another folder with a copy, and the copy's file itself.
  const std::vector<std::string> paths = {scratch.Path("old"), scratch.Path("old/"), scratch.Path("new"),
                                          scratch.Path("new/fuel.log")};
  const Report report = WriteReport(paths, scratch.Path("out"), {});
  EXPECT_EQ(report.logs.size(), 2u);
  EXPECT_EQ(report.totals.fill_ups, 2);
  EXPECT_EQ(report.duplicates, 1);
  EXPECT_EQ(report.totals.fill_distance, 940);
  EXPECT_EQ(report.totals.fuel, 75.2);
}

}  // namespace
}  // namespace trezik::report
