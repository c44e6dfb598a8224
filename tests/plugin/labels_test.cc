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

TEST_F(LabelsTest, AverageSpeedOverTheTrip) {
  form().distance = "30";
  platform_.AdvanceSeconds(1800);
  EXPECT_EQ(Label("avspeed"), "60");
  form().distance = "0.5";
  EXPECT_EQ(Label("avspeed"), "1");
}

TEST_F(LabelsTest, AverageSpeedAfterMidnightCountsFromYesterday) {
  form().startdate = 86400 - 900;
  form().distance = "30";
  platform_.now.seconds_since_midnight = 900;
  EXPECT_EQ(Label("avspeed"), "60");
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
