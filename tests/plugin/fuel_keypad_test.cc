#include "support/started_plugin.h"

namespace trezik {
namespace {

using testing::FailureOf;

class FuelKeypadTest : public testing::StartedPlugin {
 protected:
  void SetUp() override { Start(); }
  void Keys(std::initializer_list<const char*> keys) {
    for (const char* key : keys) ASSERT_EQ(Command(key), 2) << key;
  }
};

TEST_F(FuelKeypadTest, QuantityAndPriceFollowEachKey) {
  form().trip_total = "100";
  Keys({"trezik_1", "trezik_2", "trezik_.", "trezik_5"});
  EXPECT_EQ(form().myosk, "12.5");
  EXPECT_EQ(form().litres, 12.5);
  EXPECT_EQ(form().litres_per_100km, 12.5);
  EXPECT_EQ(form().mpg, 8.0);
  Keys({"trezik_p1", "trezik_p.", "trezik_p2"});
  EXPECT_EQ(form().myosk2, "1.2");
  EXPECT_EQ(form().price, 1.2);
  EXPECT_DOUBLE_EQ(form().priceperkm, 0.15);
  EXPECT_EQ(Label("fuelunits"), "12.5");
  EXPECT_EQ(Label("trezik_unitprice"), "1.2");
  EXPECT_EQ(Label("trezik_costperdist"), "0.15");
}

TEST_F(FuelKeypadTest, ZeroKeysAppendLikeAnyDigit) {
  form().trip_total = "100";
  Keys({"trezik_1", "trezik_.", "trezik_0", "trezik_5"});
  EXPECT_EQ(form().myosk, "1.05");
  EXPECT_EQ(form().litres, 1.05);
  Keys({"trezik_clr"});
  // A lone zero is appended too; it fails only at the division by the quantity.
  EXPECT_EQ(FailureOf([&] { Command("trezik_0"); }), ErrorKind::kDivisionByZero);
  Keys({"trezik_7"});
  EXPECT_EQ(form().myosk, "07");
  EXPECT_EQ(form().litres, 7.0);
}

TEST_F(FuelKeypadTest, ClearKeys) {
  form().trip_total = "100";
  Keys({"trezik_5", "trezik_p2"});
  const double cost = form().priceperkm;
  Keys({"trezik_clr"});
  EXPECT_EQ(form().myosk, "");
  EXPECT_EQ(form().litres_per_100km, 0.0);
  EXPECT_EQ(form().mpg, 0.0);
  EXPECT_EQ(form().litres, 5.0);
  Keys({"TREZIK_PCLR"});
  EXPECT_EQ(form().myosk2, "");
  EXPECT_EQ(form().price, 0.0);
  EXPECT_EQ(form().priceperkm, cost);
}

TEST_F(FuelKeypadTest, PriceBeforeQuantityIsRecomputedAtEachQuantityKey) {
  form().trip_total = "100";
  Keys({"trezik_p2"});
  EXPECT_EQ(form().priceperkm, 0.0);  // no quantity yet
  Keys({"trezik_1", "trezik_0"});
  EXPECT_DOUBLE_EQ(form().priceperkm, 0.2);
}

TEST_F(FuelKeypadTest, AcceptLogsTheFillUpAndStartsTheNextDistance) {
  form().trip_total = "100";
  form().distance = "40";
  form().maxspeed = 120;
  form().gpslat = "52.5";
  form().gpslon = "13.25";
  platform_.now.seconds_since_midnight = 9 * 3600 + 30;
  Keys({"trezik_1", "trezik_2", "trezik_.", "trezik_5", "trezik_p1", "trezik_p.", "trezik_p2"});
  host_->received.clear();
  EXPECT_EQ(Command("trezik_ok"), 1);
  EXPECT_EQ(ReadPluginFile("fuel.log"),
            "\"2026-12-07\",\"09:00:30\",12.5,100,\"12.5\",1.2,0.15,\"52.5\",\"13.25\",\"Ring Road\"\r\n");
  EXPECT_EQ(form().litres, 0.0);
  EXPECT_EQ(form().trip_total, "0");
  EXPECT_EQ(form().distance, "0");
  EXPECT_EQ(form().maxspeed, 0.0);
  EXPECT_EQ(form().startdate, 9 * 3600 + 30);
  EXPECT_EQ(form().myosk, "12.5");
  EXPECT_EQ(form().myosk2, "1.2");
  EXPECT_EQ(Label("mpg"), "12.5");
  ASSERT_EQ(host_->received.size(), 2u);
  EXPECT_EQ(host_->received[0].text, "REQUEST;trezik;CUSTOMFDROAD");
  EXPECT_EQ(host_->received[1].text, "exit");
}

TEST_F(FuelKeypadTest, MilesPerGallonIsLoggedInImperialUnits) {
  Start('.', false, "decimalplaces=1\r\n");
  form().trip_total = "100.555";
  Keys({"trezik_1", "trezik_2", "trezik_.", "trezik_5", "trezik_p3"});
  ASSERT_EQ(Command("trezik_ok"), 1);
  // 100.555 / 12.5 = 8.0444 at one decimal; the total and 12.5 * 3 / 100.555
  // at two.
  EXPECT_EQ(ReadPluginFile("fuel.log"),
            "\"2026-12-07\",\"08:00:00\",12.5,100.56,\"8\",3,0.37,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n");
}

TEST_F(FuelKeypadTest, DecimalCommaUserKeysAFractionWithTheDecimalKeys) {
  Start(',');
  form().trip_total = "100";
  Keys({"trezik_3", "trezik_5", "trezik_.", "trezik_2", "trezik_p1", "trezik_p.", "trezik_p5"});
  EXPECT_EQ(form().myosk, "35,2");
  EXPECT_EQ(form().myosk2, "1,5");
  ASSERT_EQ(Command("trezik_ok"), 1);
  // Only the consumption carries the user's mark: 35.2 / 100 * 100 = 35.2;
  // the cost 35.2 * 1.5 / 100 = 0.528.
  EXPECT_EQ(ReadPluginFile("fuel.log"),
            "\"2026-12-07\",\"08:00:00\",35.2,100,\"35,2\",1.5,0.53,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n");
}

TEST_F(FuelKeypadTest, DecimalCommaConsumptionTextKeepsTheUsersMark) {
  Start(',');
  form().trip_total = "80";
  Keys({"trezik_1", "trezik_0", "trezik_p1"});
  ASSERT_EQ(Command("trezik_ok"), 1);
  // 10 * 1 / 80 = 0.125 is a tie and goes to the even 0.12.
  EXPECT_NE(ReadPluginFile("fuel.log").find(",10,80,\"12,5\",1,0.12,"), std::string::npos)
      << ReadPluginFile("fuel.log");
}

TEST_F(FuelKeypadTest, BadEntriesFailAndKeepWhatWasStored) {
  form().trip_total = "100";
  Keys({"trezik_1", "trezik_2", "trezik_.", "trezik_5"});
  EXPECT_EQ(FailureOf([&] { Command("trezik_."); }), ErrorKind::kTypeMismatch);
  EXPECT_EQ(form().myosk, "12.5.");
  EXPECT_EQ(FailureOf([&] { Command("trezik_3"); }), ErrorKind::kTypeMismatch);
  EXPECT_EQ(form().litres, 12.5);
  Keys({"trezik_clr"});
  EXPECT_EQ(form().myosk, "");
  EXPECT_EQ(FailureOf([&] { Command("trezik_ok"); }), ErrorKind::kTypeMismatch);
  EXPECT_FALSE(PluginFileExists("fuel.log"));
}

TEST_F(FuelKeypadTest, ArithmeticFailures) {
  form().trip_total = "0";
  EXPECT_EQ(FailureOf([&] { Command("trezik_5"); }), ErrorKind::kDivisionByZero);
  EXPECT_EQ(form().myosk, "5");
  EXPECT_EQ(form().litres, 5.0);
  EXPECT_EQ(form().litres_per_100km, 0.0);
  EXPECT_EQ(FailureOf([&] { Command("trezik_p1"); }), ErrorKind::kDivisionByZero);
  EXPECT_EQ(form().price, 1.0);
  form().litres = 0.0;
  EXPECT_EQ(FailureOf([&] { Command("trezik_p2"); }), ErrorKind::kOverflow);  // 0 / 0

  form().trip_total = "50";
  Keys({"trezik_clr"});
  EXPECT_EQ(FailureOf([&] { Command("trezik_0"); }), ErrorKind::kDivisionByZero);
  EXPECT_EQ(form().litres_per_100km, 0.0);  // 0 / 50 * 100 was stored before 50 / 0 failed
  EXPECT_EQ(FailureOf([&] { Command("trezik_ok"); }), ErrorKind::kDivisionByZero);
  EXPECT_FALSE(PluginFileExists("fuel.log"));
  EXPECT_EQ(form().trip_total, "50");
}

TEST_F(FuelKeypadTest, AFuelLogThatCannotBeWrittenResetsNothingAndSendsNoExit) {
  form().trip_total = "100";
  Keys({"trezik_5"});
  form().trezikdir += "missing\\";
  host_->received.clear();
  EXPECT_EQ(FailureOf([&] { Command("trezik_ok"); }), ErrorKind::kPathNotFound);
  EXPECT_EQ(form().trip_total, "100");
  EXPECT_EQ(form().litres, 5.0);
  ASSERT_EQ(host_->received.size(), 1u);
  EXPECT_EQ(host_->received[0].text, "REQUEST;trezik;CUSTOMFDROAD");
}

}  // namespace
}  // namespace trezik
