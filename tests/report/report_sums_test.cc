// The report's sums on a small hand-made log set, in both unit systems and
// both decimal marks, the unit told by the fill-ups themselves (no option).
// Every expected figure below was worked by hand from the records, not taken
// from the code.
#include <gtest/gtest.h>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

// The same trip records serve both unit systems. Work meter 0, 10, 12.75,
// then reset to 1.5, 2.67, 4, 4: work added 0, 10, 2.75, 1.5, 1.17, 1.33, 0.
// November 12.75, December 2.67, January (no fill-up) 1.33.
// Trips: 12.5; 30 (the trip meter grew 17.5 but the total 237.5: reset in
// between); 5, 2, 1.33 (the meter went down); 7 (grew 5.67, the total 7);
// then 9.5 goes on with that trip (both grew 2.5 in 30 minutes): 2.5 more.
// Driven: November 47.5, December 3.33, January 9.5; 6 trips, 7 records.
constexpr char kTrips[] =
    "\"2026-11-02\",\"07:40:00\",12.5,12.5,0,\"48.1\",\"11.5\",\"Lindenweg\"\r\n"
    "\"2026-11-20\",\"18:00:00\",30,250,10,\"48.2\",\"11.6\",\"Ring \"\"Road\"\"\"\r\n"
    "\"2026-11-30\",\"17:00:00\",5,300,12.75,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-01\",\"08:00:00\",2,302,1.5,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,\"48.012\",\"11.5\",\"Ring Road\"\r\n"
    "\"2027-01-03\",\"09:00:00\",7,108.33,4,\"gpslat\",\"gpslon\",\"\"\r\n"
    "\"2027-01-03\",\"09:30:00\",9.5,110.83,4,\"gpslat\",\"gpslon\",\"\"\r\n";

constexpr char kTripsCsv[] =
    "date,time,trip,total,work,work_added,trip_added,latitude,longitude,place\r\n"
    "\"2026-11-02\",\"07:40:00\",12.5,12.5,0,0,12.5,\"48.1\",\"11.5\",\"Lindenweg\"\r\n"
    "\"2026-11-20\",\"18:00:00\",30,250,10,10,30,\"48.2\",\"11.6\",\"Ring \"\"Road\"\"\"\r\n"
    "\"2026-11-30\",\"17:00:00\",5,300,12.75,2.75,5,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-01\",\"08:00:00\",2,302,1.5,1.5,2,\"48.3\",\"11.7\",\"A9\"\r\n"
    "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,1.17,1.33,\"48.012\",\"11.5\",\"Ring Road\"\r\n"
    "\"2027-01-03\",\"09:00:00\",7,108.33,4,1.33,7,\"gpslat\",\"gpslon\",\"\"\r\n"
    "\"2027-01-03\",\"09:30:00\",9.5,110.83,4,0,2.5,\"gpslat\",\"gpslon\",\"\"\r\n";

constexpr char kPeriodsColumns[] =
    ",distance,fuel,cost,consumption,work_distance,trip_distance,trips,trip_records,fill_ups,cost_per_distance\r\n";

struct Case {
  const char* name;
  bool imperial;
  const char* fuel_log;
  const char* fillups_csv;
  const char* months_csv;
  const char* years_csv;
  const char* best_date;
  const char* worst_date;
  double lowest_price, highest_price, average_price;
};

const Case kCases[] = {
    // Litres and km, consumption written with ".". Costs 40 x 1.6 = 64,
    // 30.5 x 1.658 = 50.569 -> 50.57, 35.2 x 1.5 = 52.8. November: 910.25 km,
    // 70.5 L, 114.57, 70.5 / 910.25 x 100 = 7.745.. -> 7.75, 114.57 / 910.25
    // = 0.1259 per km. 2026: 1350.25 km, 105.7 L, 167.37, 7.828 -> 7.83,
    // 0.12396 per km. Average price (64 + 50.569 + 52.8) / 105.7 = 1.58343.
    // Best 7.43 L/100 km, worst the first of the two 8s.
    {"metric_point", false,
     "\"2026-11-05\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",30.5,410.25,\"7.43\",1.658,0.12,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",35.2,440,\"8.0\",1.5,0.12,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place,mark\r\n"
     "\"2026-11-05\",\"07:30:00\",40,500,8,1.6,64.00,0.13,\"48.1\",\"11.5\",\"Station A\",\r\n"
     "\"2026-11-28\",\"18:10:00\",30.5,410.25,7.43,1.658,50.57,0.12,\"48.2\",\"11.6\",\"Station \"\"B\"\"\",\r\n"
     "\"2026-12-07\",\"08:00:00\",35.2,440,8,1.5,52.80,0.12,\"gpslat\",\"gpslon\",\"Ring Road\",\r\n",
     "\"2026-11\",910.25,70.5,114.57,7.75,12.75,47.5,3,3,2,0.126\r\n"
     "\"2026-12\",440,35.2,52.80,8.00,2.67,3.33,2,2,1,0.120\r\n"
     "\"2027-01\",0,0,0.00,,1.33,9.5,1,2,0,\r\n",
     "\"2026\",1350.25,105.7,167.37,7.83,15.42,50.83,5,5,3,0.124\r\n"
     "\"2027\",0,0,0.00,,1.33,9.5,1,2,0,\r\n",
     "2026-11-28", "2026-11-05", 1.5, 1.658, 1.58343},
    // Gallons and miles, consumption in mpg written with ",". Costs 35,
    // 12.4 x 3.25 = 40.3, 8.5 x 3.4 = 28.9. November: 650.6 mi, 22.4 gal,
    // 75.3, 650.6 / 22.4 = 29.0446 -> 29.04 mpg, 75.3 / 650.6 = 0.1157 per mi.
    // 2026: 931.1 mi, 30.9 gal, 104.2, 30.133 mpg, 0.11191 per mi. Average
    // price 104.2 / 30.9 = 3.37217. Best 33 mpg (the highest), worst 28,27.
    {"imperial_comma", true,
     "\"2026-11-05\",\"07:30:00\",10,300,\"30\",3.5,0.12,\"48.1\",\"11.5\",\"Station A\"\r\n"
     "\"2026-11-28\",\"18:10:00\",12.4,350.6,\"28,27\",3.25,0.11,\"48.2\",\"11.6\",\"Station \"\"B\"\"\"\r\n"
     "\"2026-12-07\",\"08:00:00\",8.5,280.5,\"33\",3.4,0.1,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n",
     "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place,mark\r\n"
     "\"2026-11-05\",\"07:30:00\",10,300,30,3.5,35.00,0.12,\"48.1\",\"11.5\",\"Station A\",\r\n"
     "\"2026-11-28\",\"18:10:00\",12.4,350.6,28.27,3.25,40.30,0.11,\"48.2\",\"11.6\",\"Station \"\"B\"\"\",\r\n"
     "\"2026-12-07\",\"08:00:00\",8.5,280.5,33,3.4,28.90,0.1,\"gpslat\",\"gpslon\",\"Ring Road\",\r\n",
     "\"2026-11\",650.6,22.4,75.30,29.04,12.75,47.5,3,3,2,0.116\r\n"
     "\"2026-12\",280.5,8.5,28.90,33.00,2.67,3.33,2,2,1,0.103\r\n"
     "\"2027-01\",0,0,0.00,,1.33,9.5,1,2,0,\r\n",
     "\"2026\",931.1,30.9,104.20,30.13,15.42,50.83,5,5,3,0.112\r\n"
     "\"2027\",0,0,0.00,,1.33,9.5,1,2,0,\r\n",
     "2026-12-07", "2026-11-28", 3.25, 3.5, 3.37217},
};

class ReportSums : public ::testing::TestWithParam<Case> {};

TEST_P(ReportSums, FillUpsMonthsAndWorkAddUpAsWorkedByHand) {
  const Case& c = GetParam();
  testing::Scratch scratch;
  scratch.Write("plugin/tripmeter.log", kTrips);
  scratch.Write("plugin/fuel.log", c.fuel_log);
  const Report report = WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});

  EXPECT_EQ(report.units.system, c.imperial ? UnitSystem::kImperial : UnitSystem::kMetric);
  EXPECT_TRUE(report.notes.empty());
  EXPECT_EQ(scratch.Read("out/fillups.csv"), c.fillups_csv);
  EXPECT_EQ(scratch.Read("out/months.csv"), "month" + std::string(kPeriodsColumns) + c.months_csv);
  EXPECT_EQ(scratch.Read("out/years.csv"), "year" + std::string(kPeriodsColumns) + c.years_csv);
  EXPECT_EQ(scratch.Read("out/trips.csv"), kTripsCsv);

  const Totals& t = report.totals;
  EXPECT_EQ(t.first_date, "2026-11-02");
  EXPECT_EQ(t.last_date, "2027-01-03");
  EXPECT_NEAR(t.work_distance, 16.75, 1e-9);
  EXPECT_NEAR(t.trip_distance, 60.33, 1e-9);
  EXPECT_EQ(t.trips, 6);
  EXPECT_EQ(t.longest_trip, 30);
  EXPECT_EQ(t.timed_seconds, 1800);  // the one record that goes on with a trip: 2.5 in half an hour
  ASSERT_TRUE(t.best && t.worst);
  EXPECT_EQ(t.best->date, c.best_date);
  EXPECT_EQ(t.worst->date, c.worst_date);
  EXPECT_EQ(t.lowest_price, c.lowest_price);
  EXPECT_EQ(t.highest_price, c.highest_price);
  ASSERT_TRUE(t.average_price);
  EXPECT_NEAR(*t.average_price, c.average_price, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(UnitsAndMarks, ReportSums, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trezik::report
