// Partial and missed fill-ups keyed on the keypad: what the labels show and
// what "fuel.log" gets, worked by hand.
#include <filesystem>

#include "contract/vocabulary.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

using vocabulary::FillUpMark;

class PartialFillUpTest : public testing::StartedPlugin {
 protected:
  void SetUp() override { Start(); }
  // Keys a fill-up at the total given, as the skin's keys would, and accepts it.
  void Fill(const char* total, const char* quantity, const char* price, FillUpMark mark = FillUpMark::kNone) {
    form().trip_total = total;
    const auto keys = vocabulary::FillUpKeys(quantity, price, mark);
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) ASSERT_EQ(Command(keys[i]), 2) << keys[i];
    ASSERT_EQ(Command(keys.back()), 1);
  }
  // The last record of "fuel.log" from its third field on.
  std::string LastRecord() {
    std::string log = ReadPluginFile("fuel.log");
    log.erase(log.size() - 2);
    return log.substr(log.rfind("\"08:00:00\",") + 11);
  }
};

struct Step {
  const char* total;
  const char* quantity;
  const char* price;
  FillUpMark mark;
  const char* label;   // "mpg" after the accept
  const char* record;  // fields 3 on
};

TEST_F(PartialFillUpTest, ConsumptionOverTheWholeIntervalSinceTheLastFullTank) {
  const char* place = R"("gpslat","gpslon","Ring Road")";
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      // 62.8 / 600 = 10.4667; (3.8 + 62.1) / 577 = 11.4211; cost
      // (3.8 x 1.5 + 62.1 x 1.6) / 577 = 105.06 / 577 = 0.1821.
      {"full, partial, full",
       {{"600", "62.8", "1.6", FillUpMark::kNone, "10.47", "62.8,600,\"10.47\",1.6,0.17,"},
        {"557", "3.8", "1.5", FillUpMark::kPartial, "PARTIAL", "3.8,557,\"\",1.5,,"},
        {"577", "62.1", "1.6", FillUpMark::kNone, "11.42", "62.1,577,\"11.42\",1.6,0.18,"}}},
      // (19.67 + 12.71 + 53.80) / 1371 = 86.18 / 1371 = 6.2859.
      {"two partials, full",
       {{"400", "19.67", "2", FillUpMark::kPartial, "PARTIAL", "19.67,400,\"\",2,,"},
        {"900", "12.71", "2", FillUpMark::kPartial, "PARTIAL", "12.71,900,\"\",2,,"},
        {"1371", "53.80", "2", FillUpMark::kNone, "6.29", "53.8,1371,\"6.29\",2,0.13,"}}},
      // The missed one gets no figure and restarts: 30 / 500 = 6.
      {"full, missed, full",
       {{"500", "40", "1", FillUpMark::kNone, "8", "40,500,\"8\",1,0.08,"},
        {"700", "45", "1", FillUpMark::kMissed, "UNKNOWN", "45,700,\"\",1,,"},
        {"500", "30", "1", FillUpMark::kNone, "6", "30,500,\"6\",1,0.06,"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    std::filesystem::remove(folder_ / "plugin" / "fuel.log");
    for (const Step& step : c.steps) {
      Fill(step.total, step.quantity, step.price, step.mark);
      EXPECT_EQ(Label("mpg"), step.label);
      std::string want = std::string(step.record) + place;
      if (step.mark == FillUpMark::kPartial) want += ",\"partial\"";
      if (step.mark == FillUpMark::kMissed) want += ",\"missed\"";
      EXPECT_EQ(LastRecord(), want);
      // A partial fill-up goes on with the distance; the others restart it.
      EXPECT_EQ(form().trip_total, step.mark == FillUpMark::kPartial ? step.total : "0");
    }
  }
}

TEST_F(PartialFillUpTest, AMissedPartialLeavesTheNextFullTankUnknownAndTheOneAfterRight) {
  form().trip_total = "300";
  for (const char* key : {"trezik_clr", "trezik_partial", "trezik_missed", "trezik_1", "trezik_0", "trezik_p1"}) {
    ASSERT_EQ(Command(key), 2) << key;
  }
  ASSERT_EQ(Command("trezik_ok"), 1);
  EXPECT_EQ(LastRecord(), R"(10,300,"",1,,"gpslat","gpslon","Ring Road","partial missed")");
  Fill("600", "50", "1");
  EXPECT_EQ(Label("mpg"), "UNKNOWN");
  EXPECT_EQ(Label("trezik_costperdist"), "UNKNOWN");
  EXPECT_EQ(LastRecord(), R"(50,600,"",1,,"gpslat","gpslon","Ring Road","missed")");
  Fill("400", "24", "1");
  EXPECT_EQ(Label("mpg"), "6");
}

TEST_F(PartialFillUpTest, MarksFollowTheirKeysAndGoWithClearAndAccept) {
  form().trip_total = "100";
  EXPECT_EQ(Command("TREZIK_PARTIAL"), 2);
  EXPECT_EQ(plugin().ReturnIndicator("trezik_partial"), "True");
  EXPECT_EQ(Command("trezik_5"), 2);
  EXPECT_EQ(Label("mpg"), "PARTIAL");
  EXPECT_EQ(Command("trezik_partial"), 2);  // off again: the figure shows
  EXPECT_EQ(plugin().ReturnIndicator("trezik_partial"), "False");
  EXPECT_EQ(Label("mpg"), "5");
  EXPECT_EQ(Command("trezik_missed"), 2);
  EXPECT_EQ(plugin().ReturnIndicator("Trezik_Missed"), "True");
  EXPECT_EQ(Label("mpg"), "UNKNOWN");
  EXPECT_EQ(Command("trezik_clr"), 2);
  EXPECT_EQ(plugin().ReturnIndicator("trezik_missed"), "False");
  EXPECT_EQ(Command("trezik_partial"), 2);
  EXPECT_EQ(Command("trezik_5"), 2);
  EXPECT_EQ(Command("trezik_ok"), 1);
  EXPECT_EQ(plugin().ReturnIndicator("trezik_partial"), "False");
  // A partial fill-up needs no distance: right after a full tank it is logged.
  Fill("0", "2", "1", FillUpMark::kPartial);
  EXPECT_EQ(LastRecord(), R"(2,0,"",1,,"gpslat","gpslon","Ring Road","partial")");
}

TEST_F(PartialFillUpTest, TheCarrySurvivesAKillAndAPowerCutBetweenItsTwoFiles) {
  Fill("557", "3.8", "1.5", FillUpMark::kPartial);
  // Killed: no teardown, the files stay as the accept left them.
  const std::string meters = ReadPluginFile("tripmeter.ini");
  const std::string carry = ReadPluginFile("fuelcarry.ini");
  EXPECT_EQ(meters, "557\r\n0\r\n");
  Form1::Unload();
  WritePluginFile("tripmeter.ini", meters);
  Start();
  EXPECT_EQ(form().trip_total, "557");
  Fill("577", "62.1", "1.6");
  EXPECT_EQ(Label("mpg"), "11.42");  // (3.8 + 62.1) / 577

  // A full tank saved to the meters, and the power gone before the carry
  // was: the partial belongs to the interval before and is dropped.
  Form1::Unload();
  WritePluginFile("tripmeter.ini", "0\r\n0\r\n");
  WritePluginFile("fuelcarry.ini", carry);
  Start();
  Fill("100", "10", "1");
  EXPECT_EQ(Label("mpg"), "10");
}

}  // namespace
}  // namespace trezik
