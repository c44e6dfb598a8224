// Consumption per full-to-full interval: partial fill-ups carried to the next
// full tank, intervals with a missed fill-up left out of consumption (but not
// of distance and cost), averages as total fuel over total distance. The
// figures were worked by hand from the records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

// One fuel.log record, as the plug-in writes it; `consumption` and `mark`
// empty for none.
std::string Fill(const char* date, double litres, double distance, const std::string& consumption, double price,
                 const std::string& mark = "") {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%.2f,%.2f,\"%s\",%.3f,", litres, distance, consumption.c_str(), price);
  std::string line = "\"" + std::string(date) + "\",\"08:00:00\"," + numbers;
  line += mark.empty() ? "0.1" : "";
  line += ",\"48.1\",\"11.5\",\"Station\"";
  if (!mark.empty()) line += ",\"" + mark + "\"";
  return line + "\r\n";
}

Report ReportOf(const testing::Scratch& scratch, const std::string& fuel_log) {
  scratch.Write("plugin/fuel.log", fuel_log);
  return WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
}

TEST(ReportIntervals, PartialAndMissedFillUpsAsWorkedByHand) {
  testing::Scratch scratch;
  // Intervals: 62.8 L over 600 km; 3.8 + 62.1 = 65.9 L over 577 km; 45 L
  // over 700 km with a missed fill-up (unknown); 30 L over 500 km.
  // Consumption (62.8 + 65.9 + 30) / (600 + 577 + 500) = 158.7 / 1677 =
  // 9.4633 L/100 km; distance 2377 km; cost 62.8 x 1.6 = 100.48, 3.8 x 1.5 =
  // 5.70, 62.1 x 1.6 = 99.36, 45, 30: 280.54, per km 280.54 / 2377 = 0.11802.
  const Report r = ReportOf(scratch, Fill("2026-11-01", 62.8, 600, "10.47", 1.6) +
                                         Fill("2026-11-05", 3.8, 557, "", 1.5, "partial") +
                                         Fill("2026-11-06", 62.1, 577, "11.42", 1.6) +
                                         Fill("2026-11-12", 45, 700, "", 1, "missed") +
                                         Fill("2026-11-20", 30, 500, "6", 1));
  const Totals& t = r.totals;
  EXPECT_EQ(r.bad_lines, 0);
  EXPECT_EQ(t.fill_ups, 5);
  EXPECT_EQ(t.full_tanks, 4);
  EXPECT_NEAR(t.fill_distance, 2377, 1e-9);
  EXPECT_NEAR(t.consumption_distance, 1677, 1e-9);
  EXPECT_NEAR(t.fuel, 203.7, 1e-9);
  EXPECT_NEAR(t.cost, 280.54, 1e-9);
  ASSERT_TRUE(t.Consumption(UnitSystem::kMetric));
  EXPECT_NEAR(*t.Consumption(UnitSystem::kMetric), 9.46, 1e-9);
  ASSERT_TRUE(t.CostPerDistance());
  EXPECT_NEAR(*t.CostPerDistance(), 0.11802, 1e-5);
  ASSERT_TRUE(t.best && t.worst);
  EXPECT_EQ(t.best->date, "2026-11-20");
  EXPECT_EQ(t.worst->date, "2026-11-06");
  // The partial row keeps its fields empty and names its mark.
  EXPECT_NE(scratch.Read("out/fillups.csv")
                .find("\"2026-11-05\",\"08:00:00\",3.8,557,,1.5,5.70,,\"48.1\",\"11.5\",\"Station\",\"partial\"\r\n"),
            std::string::npos);
  EXPECT_NE(scratch.Read("out/months.csv").find("\"2026-11\",2377,203.7,280.54,9.46,"), std::string::npos);
}

TEST(ReportIntervals, OnlyPartialFillUpsSayConsumptionNeedsAFullTank) {
  testing::Scratch scratch;
  const Report r = ReportOf(scratch, Fill("2026-11-01", 5, 100, "", 1.5, "partial") +
                                         Fill("2026-11-02", 6, 250, "", 1.5, "partial missed"));
  EXPECT_EQ(r.bad_lines, 0);
  EXPECT_FALSE(r.totals.Consumption(UnitSystem::kMetric));
  EXPECT_NE(SummaryText(r, "out").find("needs a full tank"), std::string::npos);
  EXPECT_NE(scratch.Read("out/report.html").find("consumption needs a full tank"), std::string::npos);
  EXPECT_EQ(scratch.Read("out/report.html").find("nan"), std::string::npos);
}

// Over generated histories of full, partial and missed fill-ups, the
// average lies between the smallest and the largest interval that has a
// consumption, each worked out from the generated fuel and distance.
TEST(ReportIntervals, TheAverageLiesBetweenTheIntervalsOverGeneratedHistories) {
  std::mt19937 random(29);
  for (int history = 0; history < 40; ++history) {
    SCOPED_TRACE("history " + std::to_string(history));
    testing::Scratch scratch;
    std::string log;
    double lowest = 1e9, highest = 0;
    const int intervals = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < intervals; ++i) {
      const double distance = 100 + static_cast<double>(random() % 90000) / 100;  // 100 to 999.99 km
      const int partials = static_cast<int>(random() % 3);
      const bool missed = random() % 4 == 0;
      double fuel = 0;
      char date[32];
      std::snprintf(date, sizeof date, "2026-%02d-%02d", 1 + i, 1);
      for (int p = 0; p < partials; ++p) {
        const double litres = 1 + static_cast<double>(random() % 2000) / 100;
        fuel += litres;
        log += Fill(date, litres, distance * (p + 1) / (partials + 1), "", 1.5, p == 0 && missed ? "partial missed" : "partial");
      }
      const double litres = 20 + static_cast<double>(random() % 4000) / 100;
      // Rounded as the file has it, so the oracle sees what the report reads.
      char text[32];
      std::snprintf(text, sizeof text, "%.2f %.2f", litres, distance);
      double litres_read = 0, distance_read = 0;
      std::sscanf(text, "%lf %lf", &litres_read, &distance_read);
      fuel += litres_read;
      const double consumption = fuel / distance_read * 100;
      char figure[32];
      std::snprintf(figure, sizeof figure, "%.2f", consumption);
      const bool unknown = missed && (partials > 0 || random() % 2 == 0);
      log += Fill(date, litres_read, distance_read, unknown ? "" : figure, 1.5, unknown ? "missed" : "");
      if (!unknown) {
        lowest = std::min(lowest, consumption);
        highest = std::max(highest, consumption);
      }
    }
    const Report r = ReportOf(scratch, log);
    ASSERT_EQ(r.bad_lines, 0);
    const std::optional<double> average = r.totals.Consumption(UnitSystem::kMetric);
    ASSERT_EQ(average.has_value(), highest > 0);
    if (!average) continue;
    // The report rounds to 2 places.
    EXPECT_GE(*average, lowest - 0.005);
    EXPECT_LE(*average, highest + 0.005);
  }
}

}  // namespace
}  // namespace trezik::report
