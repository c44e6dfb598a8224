// A history of any size gives a page of bounded size: the latest 500 trip
// records and fill-ups, the first 20 lines not read (all of them in
// unreadable.txt), texts cut short; the CSV files keep every record. And a
// history of trip records without a fill-up shows its trips, not empty charts.
#include <gtest/gtest.h>

#include <regex>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

std::size_t Count(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), {}));
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(ReportBounds, ALargeBrokenHistoryKeepsThePageUnderTwoMegabytes) {
  testing::Scratch scratch;
  // 700 trip records, one a day from 2024-01-01, each with a place of 60,000
  // bytes, and 25 broken lines, one of them longer than a log line can be.
  std::string trips;
  const std::string place(60000, 'x');
  for (int day = 0; day < 700; ++day) {
    const int month = day / 28 % 12 + 1, year = 2024 + day / 336, date = day % 28 + 1;
    char head[64];
    std::snprintf(head, sizeof head, "\"%04d-%02d-%02d\",\"08:00:00\",", year, month, date);
    trips += std::string(head) + "12.5,100,0,\"a\",\"b\",\"" + place + "\"\r\n";
    if (day % 28 == 0) trips += "not a record\r\n";
  }
  trips += std::string(70000, '"') + "\r\n";
  scratch.Write("plugin/tripmeter.log", trips);
  const Report report = WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});

  const std::string page = scratch.Read("out/report.html");
  EXPECT_LT(page.size(), 2u << 20);
  EXPECT_EQ(Count(page, "<tr[^>]*><td[^>]*data-label=\"date\">"), 500u);  // trip rows; no fill-up table
  EXPECT_NE(page.find("The latest 500 of 700 trip records"), std::string::npos);
  EXPECT_EQ(Count(page, "<li><code>"), 20u);
  EXPECT_NE(page.find("26 line(s) not read, the first 20 above and 6 more"), std::string::npos);
  EXPECT_EQ(Lines(scratch.Read("out/unreadable.txt")), 26u);
  EXPECT_NE(scratch.Read("out/unreadable.txt").find(":726: longer than 64 KiB"), std::string::npos);
  EXPECT_EQ(Lines(scratch.Read("out/trips.csv")), 701u);
  // The earliest of the 500 latest is day 200: month 200 / 28 + 1 = 8, day 200 % 28 + 1 = 5.
  ASSERT_EQ(report.latest_trips.size(), 500u);
  EXPECT_EQ(report.latest_trips.front().date, "2024-08-05");
}

TEST(ReportBounds, TripsWithoutAFillUpShowTheirDistanceAndSayWhatConsumptionNeeds) {
  testing::Scratch scratch;
  // One trip logged twice on the way (the meters grew alike: 12.22 - 5.3 =
  // 6.92 in 10 minutes); a new one of 5.75 (the meter went down), logged
  // again after the total was reset (the trip meter grew 4, as much as the
  // total counts since: 4 more in 30 minutes); a new one of 12 (the trip
  // meter grew 2.25, the total 6); and after another reset of the total a
  // new one of 13 (the trip meter grew 1, less than the total's 3).
  // 5.3 + 6.92 + 5.75 + 4 + 12 + 13 = 46.97; 10.92 in 40 minutes: 16.4 km/h.
  scratch.Write("plugin/tripmeter.log",
                "\"2026-05-04\",\"08:00:00\",5.3,105.3,0,\"a\",\"b\",\"A\"\r\n"
                "\"2026-05-04\",\"08:10:00\",12.22,112.22,0,\"a\",\"b\",\"B\"\r\n"
                "\"2026-05-04\",\"17:00:00\",5.75,117.97,0,\"a\",\"b\",\"C\"\r\n"
                "\"2026-05-04\",\"17:30:00\",9.75,4,0,\"a\",\"b\",\"D\"\r\n"
                "\"2026-05-04\",\"18:00:00\",12,10,0,\"a\",\"b\",\"E\"\r\n"
                "\"2026-05-04\",\"19:00:00\",13,3,0,\"a\",\"b\",\"F\"\r\n");
  const Report report = WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
  const std::string page = scratch.Read("out/report.html");
  EXPECT_NE(page.find("id=\"trip-distance\">46.97 km<"), std::string::npos);
  EXPECT_NE(page.find("id=\"trips\">4 trips, logged 6 times<"), std::string::npos);
  EXPECT_NE(page.find("id=\"longest-trip\">13.00 km<"), std::string::npos);
  EXPECT_NE(page.find("id=\"trip-speed\">16.4 km/h<"), std::string::npos);
  EXPECT_NE(page.find("id=\"trip-time\">0 h 40 min<"), std::string::npos);
  EXPECT_NE(page.find("id=\"no-fillups\""), std::string::npos);
  EXPECT_EQ(page.find("chart-consumption"), std::string::npos);
  EXPECT_EQ(page.find("chart-price"), std::string::npos);
  EXPECT_EQ(Count(page, "<rect class=\"trip-distance\""), 1u);
  EXPECT_EQ(page.find("currency"), std::string::npos);  // no money word without --currency
}

TEST(ReportBounds, CalledByAnotherProgramLogsWithoutARecordStillGiveAPageThatSaysSo) {
  testing::Scratch scratch;
  scratch.Write("plugin/tripmeter.log", "");  // a simulated run whose script logged nothing
  const Report report = WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
  EXPECT_EQ(report.totals.trip_records + report.totals.fill_ups, 0);
  EXPECT_NE(scratch.Read("out/report.html").find("id=\"no-records\""), std::string::npos);
  EXPECT_EQ(scratch.Read("out/trips.csv"), "date,time,trip,total,work,work_added,trip_added,latitude,longitude,place\r\n");
}

}  // namespace
}  // namespace trezik::report
