// A whole short drive through the emulated host: start-up, a minute of
// Timer1 ticks, work recording, a trip record, a fill-up on the keypad, a
// save, and a restart that reloads the meters.
#include "core/convert.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

// Each second the car moves 0.0002 degree north along a meridian: 0.012
// nautical miles, 0.022224 km. Every figure below is worked by hand from that.
constexpr double kStepDegrees = 0.0002;

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
  int position_ = 0;
};

TEST_F(DriveTest, AShortDriveFromStartUpToRestart) {
  WritePluginFile("tripmeter.ini", "100\r\n2\r\n");
  Start();
  EXPECT_EQ(form().trip_total, "100");

  Drive(31);  // the first answered tick only sets the starting fix
  EXPECT_EQ(Label("tripmeter"), "0.67");  // 30 x 0.022224 = 0.66672
  EXPECT_EQ(Command("logwork"), 2);
  EXPECT_EQ(plugin().ReturnIndicator("workrec"), "True");
  Drive(30);
  EXPECT_EQ(Label("workmeter"), "2.67");    // 2 + 0.66672
  EXPECT_EQ(Label("triptotal"), "101.33");  // 100 + 60 x 0.022224 = 101.33344
  EXPECT_EQ(Label("maxspeed"), "80");
  EXPECT_EQ(Label("avspeed"), "79");  // 1.33344 km in 61 s: 78.69 km/h

  ASSERT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"08:01:01\",1.33,101.33,2.67,\"48.012\",\"11.5\",\"Ring Road\"\r\n");

  for (const char* key : {"trezik_4", "trezik_0", "trezik_p1", "trezik_p.", "trezik_p5"}) {
    ASSERT_EQ(Command(key), 2) << key;
  }
  EXPECT_EQ(Label("mpg"), "39.47");  // 40 L over 101.33344 km: 39.4736 L/100 km
  ASSERT_EQ(Command("trezik_ok"), 1);
  // 40 L at 1.5 over 101.33344 km: 0.5921 per km.
  EXPECT_EQ(ReadPluginFile("fuel.log"),
            "\"2026-12-07\",\"08:01:01\",40,101.33,\"39.47\",1.5,0.59,\"48.012\",\"11.5\","
            "\"Ring Road\"\r\n");
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
