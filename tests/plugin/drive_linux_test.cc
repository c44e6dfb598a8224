// A whole short drive through the emulated host: start-up, a minute of
// Timer1 ticks, work recording, a trip record, a fill-up on the keypad, a
// save, and a restart that reloads the meters.
#include <cmath>

#include "core/convert.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

// Each second the car moves 0.0002 degree north: 0.012 nautical miles.
constexpr double kStepDegrees = 0.0002;
constexpr double kStepKm = kStepDegrees * 60 * 1.852;

class DriveTest : public testing::StartedPlugin {
 protected:
  void Drive(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      const double lat = 48.0 + kStepDegrees * position_++;
      host_->SetFix(DoubleToText(lat, '.'), "11.5", "80 km/h");
      platform_.PumpMessagesFor(1000);  // Timer1 ticks once
      platform_.AdvanceSeconds(1);
    }
  }
  double Meter(const std::string& text) { return TextToDouble(text, '.'); }
  int position_ = 0;
};

TEST_F(DriveTest, AShortDriveFromStartUpToRestart) {
  WritePluginFile("tripmeter.ini", "100\r\n2\r\n");
  Start();
  EXPECT_EQ(form().trip_total, "100");

  Drive(31);  // the first answered tick only sets the starting fix
  EXPECT_NEAR(Meter(form().distance), 30 * kStepKm, 30 * kStepKm * 1e-3);
  EXPECT_EQ(Command("logwork"), 2);
  EXPECT_EQ(plugin().ReturnIndicator("workrec"), "True");
  Drive(30);
  EXPECT_NEAR(Meter(form().workmeter), 2 + 30 * kStepKm, 30 * kStepKm * 1e-3);
  EXPECT_NEAR(Meter(form().trip_total), 100 + 60 * kStepKm, 60 * kStepKm * 1e-3);
  EXPECT_EQ(Label("maxspeed"), "80");
  // 60 steps of 22.224 m in 61 seconds.
  EXPECT_EQ(Label("avspeed"), std::to_string(std::lround(60 * kStepKm / (61 / 3600.0))));

  ASSERT_EQ(Command("logtrip"), 2);
  const std::string trip_record = ReadPluginFile("tripmeter.log");
  EXPECT_EQ(trip_record, "\"2026-12-07\",\"08:01:01\"," + Label("tripmeter") + "," +
                             Label("triptotal") + "," + Label("workmeter") + ",\"" +
                             form().gpslat + "\",\"11.5\",\"Ring Road\"\r\n");

  for (const char* key : {"trezik_4", "trezik_0", "trezik_p1", "trezik_p.", "trezik_p5"}) {
    ASSERT_EQ(Command(key), 2) << key;
  }
  const double total = Meter(form().trip_total);
  EXPECT_EQ(Label("mpg"), DoubleToText(RoundHalfEven(40 / total * 100, 2), '.'));
  ASSERT_EQ(Command("trezik_ok"), 1);
  EXPECT_EQ(ReadPluginFile("fuel.log"),
            "\"2026-12-07\",\"08:01:01\",40," + DoubleToLogText(RoundHalfEven(total, 2)) + ",\"" +
                DoubleToText(RoundHalfEven(40 / total * 100, 2), '.') + "\",1.5," +
                DoubleToLogText(RoundHalfEven(40 * 1.5 / total, 2)) + ",\"" + form().gpslat +
                "\",\"11.5\",\"Ring Road\"\r\n");
  EXPECT_EQ(host_->received.back().text, "exit");
  EXPECT_EQ(form().trip_total, "0");

  Drive(10);
  ASSERT_EQ(Command("updateini"), 2);
  const std::string saved = ReadPluginFile("tripmeter.ini");
  const std::string work = form().workmeter;
  EXPECT_EQ(saved, form().trip_total + "\r\n" + work + "\r\n");

  // Restart: the teardown saves, the new start-up reloads; the trip meter
  // starts over.
  form().trip_total = "0.5";
  Form1::Unload();
  plugin_ = std::make_unique<PWExtension>();
  EXPECT_EQ(form().trip_total, "0.5");
  EXPECT_EQ(form().workmeter, work);
  EXPECT_EQ(form().distance, "0");
  EXPECT_EQ(plugin().ReturnIndicator("workrec"), "False");
}

}  // namespace
}  // namespace trezik
