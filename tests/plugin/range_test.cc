// The label "trezik_range" over a run of fill-ups keyed on the keypad and a
// restart, in both unit systems; every figure worked by hand from the tank,
// the last full tank's consumption and the partial fill-ups since.
#include "contract/settings.h"
#include "contract/vocabulary.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

using vocabulary::FillUpMark;

struct Step {
  enum Kind { kDrive, kFill, kRestart } kind;
  const char* total;     // the distance since the last full tank, before the step
  const char* quantity;  // of a fill-up
  FillUpMark mark;
  const char* range;  // after the step
};

class RangeTest : public testing::StartedPlugin {
 protected:
  void Run(bool metric, const char* tank, const std::vector<Step>& steps) {
    const std::string settings = SettingsWriter().Item(kTankKey, tank).text();
    Start('.', metric, settings);
    for (const Step& step : steps) {
      SCOPED_TRACE(std::string(step.total) + " " + step.quantity);
      if (step.kind == Step::kRestart) {
        Form1::Unload();
        Start('.', metric, settings);
      } else {
        form().trip_total = step.total;
      }
      if (step.kind == Step::kFill) {
        const auto keys = vocabulary::FillUpKeys(step.quantity, "1", step.mark);
        for (const std::string& key : keys) Command(key);
      }
      EXPECT_EQ(Label("trezik_range"), step.range);
    }
  }
};

TEST_F(RangeTest, FuelLeftOverTheLastFullTanksConsumption) {
  using enum Step::Kind;
  // 50 L tank; 40 L over 500 km is 0.08 L/km: 50 / 0.08 = 625 km.
  Run(true, "50",
      {{kDrive, "0", "", FillUpMark::kNone, "UNKNOWN"},  // no full tank yet
       {kFill, "500", "40", FillUpMark::kNone, "625"},
       {kDrive, "200", "", FillUpMark::kNone, "425"},             // 50 - 16 = 34 L
       {kFill, "300", "10", FillUpMark::kPartial, "450"},         // 50 - 24 + 10 = 36 L
       {kFill, "350", "30", FillUpMark::kPartial, "625"},         // 50 - 28 + 40 = 62: the tank's 50
       {kRestart, "350", "", FillUpMark::kNone, "625"},           // consumption and carry kept
       {kDrive, "1000", "", FillUpMark::kNone, "125"},            // 50 - 80 + 40 = 10 L
       {kDrive, "1200", "", FillUpMark::kNone, "0"},              // 50 - 96 + 40 = -6: none
       {kFill, "1200", "60", FillUpMark::kNone, "600"},           // (40 + 60) / 1200: 50 x 12
       {kDrive, "120", "", FillUpMark::kNone, "480"},             // 50 - 10 = 40 L
       {kFill, "700", "45", FillUpMark::kMissed, "UNKNOWN"},      // no consumption known
       {kRestart, "0", "", FillUpMark::kNone, "UNKNOWN"},
       {kFill, "400", "32", FillUpMark::kNone, "625"}});          // 32 / 400 = 0.08 again
  // 12 gal tank; 10 gal over 300 miles is 30 mpg: 360 miles.
  Run(false, "12",
      {{kFill, "300", "10", FillUpMark::kNone, "360"},
       {kDrive, "90", "", FillUpMark::kNone, "270"},              // 12 - 3 = 9 gal
       {kFill, "150", "1.5", FillUpMark::kPartial, "255"},        // 12 - 5 + 1.5 = 8.5 gal
       {kRestart, "150", "", FillUpMark::kNone, "255"}});
}

TEST_F(RangeTest, EmptyWithoutAValidTank) {
  for (const char* tank : {"", "4", "501", "big"}) {
    Start('.', true, tank[0] ? SettingsWriter().Item(kTankKey, tank).text() : "decimalplaces=2\r\n");
    form().trip_total = "500";
    for (const std::string& key : vocabulary::FillUpKeys("40", "1")) Command(key);
    EXPECT_EQ(Label("mpg"), "8");
    EXPECT_EQ(Label("trezik_range"), "") << tank;
  }
}

}  // namespace
}  // namespace trezik
