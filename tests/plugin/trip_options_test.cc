// The options of "trezik.ini" that change how steps are counted, driven
// through the host like a real drive. Every expected meter is worked by hand:
// 0.001 degree of latitude is 0.06 nautical miles, 0.11112 km on the
// plug-in's sphere; on the WGS84 ellipsoid at 52 degrees it is 111.27 m (the
// meridian's radius of curvature there is 6375150 m).
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "core/convert.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

struct Fix {
  double latitude;
  const char* speed;  // as the host reports it
};

struct Case {
  const char* settings;
  std::vector<Fix> fixes;  // one a second, all at 5 degrees east
  const char* tripmeter;   // to four decimals
};

class TripOptionsTest : public testing::StartedPlugin {};

TEST_F(TripOptionsTest, OptionsChangeHowStepsAreCounted) {
  const std::vector<Fix> parked_then_away = {
      {52.0, "0 km/h"}, {52.0004, "1 km/h"}, {51.9996, "2 km/h"}, {52.0004, "1"}, {52.001, "40"}};
  const std::vector<Fix> one_step = {{52.0, "40"}, {52.001, "40"}};
  const Case cases[] = {
      // Today's count: jitter of 0.0004 degree adds 0.0444 + 0.0889 + 0.0889
      // km, then 0.0667 km to the departure.
      {"", parked_then_away, "0.2889"},
      // Standstill filter: held below 3, then one step from the anchor.
      {"minspeed=3", parked_then_away, "0.1111"},
      {"minspeed=0.4", parked_then_away, "0.2889"},  // out of range: off
      // No speed the filter can read: nothing is held back.
      {"minspeed=3", {{52.0, "n/a"}, {52.0004, "n/a"}, {52.001, "n/a"}}, "0.1111"},
      {"calibration=1.1", one_step, "0.1222"},   // 0.11112 x 1.1
      {"calibration=1,1", one_step, "0.1111"},   // no number for a "." user: off
      {"calibration=1.5", one_step, "0.1111"},   // out of range: off
      // The bound applies before the calibration: 1.88904 km counts 2.266848.
      {"calibration=1.2", {{52.0, "90"}, {52.017, "90"}}, "2.2668"},
      {"distance=wgs84", one_step, "0.1113"},
      {"distance=WGS84", one_step, "0.1113"},
      {"distance=flat", one_step, "0.1111"},
  };
  for (const Case& c : cases) {
    Form1::Unload();  // saves the last case's meters
    std::filesystem::remove(folder_ / "plugin" / "tripmeter.ini");
    Start('.', true, std::string("decimalplaces=4\r\n") + c.settings + "\r\n");
    for (const Fix& fix : c.fixes) {
      host_->SetFix(std::to_string(fix.latitude), "5.0", fix.speed);
      Tick();
    }
    EXPECT_EQ(Label("tripmeter"), c.tripmeter) << c.settings;
    EXPECT_EQ(Label("triptotal"), c.tripmeter) << c.settings;
  }
}

// An hour parked with 3 m of GPS jitter (one sigma per axis) and the
// receiver's speed under 2 km/h: the filter keeps the meter still.
TEST_F(TripOptionsTest, AnHourParkedWithJitterAddsNothingAtMinspeedThree) {
  double crept[2] = {0, 0};
  for (int filtered = 0; filtered < 2; ++filtered) {
    Form1::Unload();
    std::filesystem::remove(folder_ / "plugin" / "tripmeter.ini");
    Start('.', true, filtered ? "minspeed=3\r\n" : "");
    std::mt19937 random(7);
    std::normal_distribution<double> north_m(0.0, 3.0), east_m(0.0, 3.0);
    std::uniform_real_distribution<double> speed(0.0, 2.0);
    for (int second = 0; second < 3600; ++second) {
      const double lat = 52.0 + north_m(random) / 111320.0;
      const double lon = 5.0 + east_m(random) / (111320.0 * std::cos(52.0 * 3.14159265358979 / 180));
      host_->SetFix(std::to_string(lat), std::to_string(lon), std::to_string(speed(random)));
      Tick();
    }
    crept[filtered] = TextToDouble(form().distance, '.');
  }
  // Unfiltered, about 5.3 m a second (the mean distance between two fixes of
  // 3 m jitter is 3 * sqrt(pi)): some 19 km.
  EXPECT_GT(crept[0], 10.0);
  EXPECT_EQ(crept[1], 0.0);
}

}  // namespace
}  // namespace trezik
