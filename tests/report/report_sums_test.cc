// The report's sums on a small hand-made log set, in both unit systems and
// both decimal marks. Every expected figure below was worked by hand from the
// records, not taken from the code.
#include <gtest/gtest.h>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

// The same trip records serve both unit systems. Work meter 0, 10, 12.75,
// then reset to 1.5, 2.67, 4: work added 0, 10, 2.75, 1.5, 1.17, 1.33.
// November 12.75, December 2.67, January (no fill-up) 1.33.
constexpr char kTrips[] =
    "\"2026-11-02\",\"07:40:00\",12.5,12.5,0,\"48.1\",\"11.5\",\"Lindenweg\"\r\n"
    "\"2026-11-20\",\"18:00:00\",30,250,10,\"48.2\",\"11.6\",\"Ring \"\"Road\"\"\"\r\n"
    "\"2026-11-30\",\"17:00:00\",5,300,12.75,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-01\",\"08:00:00\",2,302,1.5,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,\"48.012\",\"11.5\",\"Ring Road\"\r\n"
    "\"2027-01-03\",\"09:00:00\",7,108.33,4,\"gpslat\",\"gpslon\",\"\"\r\n";

constexpr char kTripsCsv[] =
    "date,time,trip,total,work,work_added,latitude,longitude,place\r\n"
    "\"2026-11-02\",\"07:40:00\",12.5,12.5,0,0,\"48.1\",\"11.5\",\"Lindenweg\"\r\n"
    "\"2026-11-20\",\"18:00:00\",30,250,10,10,\"48.2\",\"11.6\",\"Ring \"\"Road\"\"\"\r\n"
    "\"2026-11-30\",\"17:00:00\",5,300,12.75,2.75,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-01\",\"08:00:00\",2,302,1.5,1.5,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,1.17,\"48.012\",\"11.5\",\"Ring Road\"\r\n"
    "\"2027-01-03\",\"09:00:00\",7,108.33,4,1.33,\"gpslat\",\"gpslon\",\"\"\r\n";

struct Case {
  const char* name;
  bool imperial;
  const char* fuel_log;
  const char* fillups_csv;
  const char* months_csv;
  const char* best_date;
  const char* worst_date;
  double lowest_price, highest_price, average_price;
};

const Case kCases[] = {
    // Litres and km, consumption written with ".". Costs 40 x 1.6 = 64,
    // 30.5 x 1.658 = 50.569 -> 50.57, 35.2 x 1.5 = 52.8. November: 910.25 km,
    // 70.5 L, 114.57, 70.5 / 910.25 x 100 = 7.745.. -> 7.75. Average price
    // (64 + 50.569 + 52.8) / 105.7 = 1.58343. Best 7.43 L/100 km, worst the
    // first of the two 8s.
    {"metric_point", false,
     "\"2026-11-05\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",30.5,410.25,\"7.43\",1.658,0.12,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",35.2,440,\"8.0\",1.5,0.12,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place\r\n"
     "\"2026-11-05\",\"07:30:00\",40,500,8,1.6,64,0.13,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",30.5,410.25,7.43,1.658,50.57,0.12,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",35.2,440,8,1.5,52.8,0.12,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "month,distance,fuel,cost,consumption,work_distance\r\n"
     "\"2026-11\",910.25,70.5,114.57,7.75,12.75\r\n"
     "\"2026-12\",440,35.2,52.8,8,2.67\r\n"
     "\"2027-01\",0,0,0,,1.33\r\n",
     "2026-11-28", "2026-11-05", 1.5, 1.658, 1.58343},
    // Gallons and miles, consumption in mpg written with ",". Costs 35,
    // 12.4 x 3.25 = 40.3, 8.5 x 3.4 = 28.9. November: 650.6 mi, 22.4 gal,
    // 75.3, 650.6 / 22.4 = 29.0446 -> 29.04 mpg. Average price 104.2 / 30.9 =
    // 3.37217. Best 33 mpg (the highest), worst 28,27.
    {"imperial_comma", true,
     "\"2026-11-05\",\"07:30:00\",10,300,\"30\",3.5,0.12,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",12.4,350.6,\"28,27\",3.25,0.11,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",8.5,280.5,\"33\",3.4,0.1,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place\r\n"
     "\"2026-11-05\",\"07:30:00\",10,300,30,3.5,35,0.12,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",12.4,350.6,28.27,3.25,40.3,0.11,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",8.5,280.5,33,3.4,28.9,0.1,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "month,distance,fuel,cost,consumption,work_distance\r\n"
     "\"2026-11\",650.6,22.4,75.3,29.04,12.75\r\n"
     "\"2026-12\",280.5,8.5,28.9,33,2.67\r\n"
     "\"2027-01\",0,0,0,,1.33\r\n",
     "2026-12-07", "2026-11-28", 3.25, 3.5, 3.37217},
};

class ReportSums : public ::testing::TestWithParam<Case> {};

TEST_P(ReportSums, FillUpsMonthsAndWorkAddUpAsWorkedByHand) {
  const Case& c = GetParam();
  testing::Scratch scratch;
  scratch.Write("plugin/tripmeter.log", kTrips);
  scratch.Write("plugin/fuel.log", c.fuel_log);
  ReportOptions options;
  options.imperial = c.imperial;
  const Report report = WriteReport({scratch.Path("plugin")}, scratch.Path("out"), options);

  EXPECT_EQ(scratch.Read("out/fillups.csv"), c.fillups_csv);
  EXPECT_EQ(scratch.Read("out/months.csv"), c.months_csv);
  EXPECT_EQ(scratch.Read("out/trips.csv"), kTripsCsv);

  const Totals& t = report.totals;
  EXPECT_EQ(t.first_date, "2026-11-02");
  EXPECT_EQ(t.last_date, "2027-01-03");
  EXPECT_NEAR(t.work_distance, 16.75, 1e-9);
  ASSERT_TRUE(t.best && t.worst);
  EXPECT_EQ(report.fills[*t.best].date, c.best_date);
  EXPECT_EQ(report.fills[*t.worst].date, c.worst_date);
  EXPECT_EQ(t.lowest_price, c.lowest_price);
  EXPECT_EQ(t.highest_price, c.highest_price);
  ASSERT_TRUE(t.average_price);
  EXPECT_NEAR(*t.average_price, c.average_price, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(UnitsAndMarks, ReportSums, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trezik::report
