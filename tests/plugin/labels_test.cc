#include "support/started_plugin.h"

namespace trezik {
namespace {

using testing::FailureOf;

class LabelsTest : public testing::StartedPlugin {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(LabelsTest, MetersAreRoundedHalfToEvenWithoutPadding) {
  struct Case {
    int dp;
    const char* text;
    const char* shown;
  };
  const Case cases[] = {{2, "10.125", "10.12"}, {2, "12.345678", "12.35"}, {2, "12.1", "12.1"},
                        {2, "12", "12"},        {0, "2.5", "2"},          {0, "3.5", "4"},
                        {2, "2.675", "2.67"},   {2, "0.375", "0.38"}, {3, "0.0005", "0.001"} /* 0.0005 lies just above the half */,       {1, "-0.25", "-0.2"}};
  for (const Case& c : cases) {
    form().dp = static_cast<std::int16_t>(c.dp);
    form().distance = c.text;
    form().trip_total = c.text;
    form().workmeter = c.text;
    for (const char* label : {"tripmeter", "TripMeter", "triptotal", "WORKMETER"}) {
      EXPECT_EQ(Label(label), c.shown) << label << " " << c.text << " dp " << c.dp;
    }
  }
}

TEST_F(LabelsTest, UnitTextsFollowTheUnitSystem) {
  const char* names[] = {"speedunits", "volunits", "consumpunits", "trezik_distunit"};
  const char* metric[] = {"Km/h", "LITRES", "L/100KM", "Km"};
  const char* imperial[] = {"MPH", "GAL", "MPG", "Mi"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Label(names[i]), metric[i]);
  Start('.', false);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Label(names[i]), imperial[i]);
}

TEST_F(LabelsTest, FuelFiguresAndTexts) {
  form().maxspeed = 87.25;
  form().dp = 0;
  EXPECT_EQ(Label("maxspeed"), "87.25");
  EXPECT_EQ(Label("fuelunits"), "");
  form().myosk = "12.";
  form().myosk2 = "1.2";
  form().litres_per_100km = 6.125;
  form().mpg = 16.5;
  form().priceperkm = 0.0875;
  form().dp = 2;
  EXPECT_EQ(Label("fuelunits"), "12.");
  EXPECT_EQ(Label("trezik_unitprice"), "1.2");
  EXPECT_EQ(Label("mpg"), "6.12");
  EXPECT_EQ(Label("trezik_costperdist"), "0.09");
  form().metric_units = false;
  EXPECT_EQ(Label("mpg"), "16.5");
}

TEST_F(LabelsTest, UnknownNamesGiveEmptyText) {
  EXPECT_EQ(Label(" tripmeter"), "");
  EXPECT_EQ(Label("tripmeter "), "");
  EXPECT_EQ(Label(""), "");
}

// Trips started by "resettrip" on 7 December and read some seconds later;
// the averages are worked by hand: distance over the hours the trip lasted.
TEST_F(LabelsTest, AverageSpeedAndTripTimeCountTheWholeDaysOfATrip) {
  struct Case {
    const char* trip;
    double start;    // time of day on 7 December, seconds
    double seconds;  // until the labels are read
    const char* distance;
    const char* avspeed;
    const char* triptime;
  };
  const Case cases[] = {
      {"30 min", 8 * 3600.0, 1800, "30", "60", "0:30"},
      {"0.5 km in 30 min", 8 * 3600.0, 1800, "0.5", "1", "0:30"},
      {"59 s", 8 * 3600.0, 59, "0.1", "6", "0:00"},
      {"1 h 59 min 59 s", 8 * 3600.0, 7199, "10", "5", "1:59"},
      {"across midnight, 23:30 to 00:30", 23.5 * 3600.0, 3600, "45", "45", "1:00"},
      {"24 h to the second", 8 * 3600.0, 86400, "2400", "100", "24:00"},  // a time of day alone: 0 s
      {"25 h, 08:00 to 09:00 the next day", 8 * 3600.0, 90000, "1400", "56", "25:00"},  // alone: 1400
      {"49 h 5 min, 23:30 to 00:35 three days on", 23.5 * 3600.0, 176700, "2749", "56", "49:05"},
  };
  for (const Case& c : cases) {
    platform_.now = {2026, 12, 7, c.start};
    Command("resettrip");
    form().distance = c.distance;
    platform_.AdvanceSeconds(c.seconds);
    EXPECT_EQ(Label("avspeed"), c.avspeed) << c.trip;
    EXPECT_EQ(Label("Trezik_TripTime"), c.triptime) << c.trip;
  }
}

TEST_F(LabelsTest, AverageSpeedOnAClockSetBackKeepsTheTimeOfDayRule) {
  platform_.now = {2026, 12, 7, 8 * 3600.0};
  Command("resettrip");
  form().distance = "30";
  platform_.now = {2026, 12, 6, 8.5 * 3600.0};  // a day back: no whole days are added
  EXPECT_EQ(Label("avspeed"), "60");
  EXPECT_EQ(Label("trezik_triptime"), "0:30");
  platform_.now = {2026, 12, 7, 7.75 * 3600.0};  // earlier that day: read as yesterday's start
  EXPECT_EQ(Label("avspeed"), "1");  // 30 km over 23.75 h
}

TEST_F(LabelsTest, FailuresOfTheLabels) {
  EXPECT_EQ(FailureOf([&] { Label("avspeed"); }), ErrorKind::kOverflow);  // 0 km in 0 s
  form().distance = "5";
  EXPECT_EQ(FailureOf([&] { Label("avspeed"); }), ErrorKind::kDivisionByZero);
  form().distance = "abc";
  EXPECT_EQ(FailureOf([&] { Label("tripmeter"); }), ErrorKind::kTypeMismatch);
  platform_.AdvanceSeconds(1);
  EXPECT_EQ(FailureOf([&] { Label("avspeed"); }), ErrorKind::kTypeMismatch);
  form().distance = "1e12";
  EXPECT_EQ(FailureOf([&] { Label("avspeed"); }), ErrorKind::kOverflow);
  form().dp = -1;
  form().distance = "1";
  EXPECT_EQ(FailureOf([&] { Label("tripmeter"); }), ErrorKind::kInvalidArgument);
  EXPECT_EQ(FailureOf([&] { Label("trezik_costperdist"); }), ErrorKind::kInvalidArgument);
}

TEST_F(LabelsTest, DecimalCommaUser) {
  Start(',');
  form().distance = "10,125";
  EXPECT_EQ(Label("tripmeter"), "10,12");
  form().maxspeed = 87.25;
  EXPECT_EQ(Label("maxspeed"), "87,25");
}

TEST_F(LabelsTest, WorkRecordingIndicator) {
  EXPECT_EQ(plugin().ReturnIndicator("workrec"), "False");
  form().workbool = true;
  EXPECT_EQ(plugin().ReturnIndicator("WorkRec"), "True");
  EXPECT_EQ(plugin().ReturnIndicator("work"), "False");
}

}  // namespace
}  // namespace trezik
