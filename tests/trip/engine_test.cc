#include "trip/engine.h"

#include "hostlink/hook.h"
#include "core/convert.h"
#include "support/plugin_fixture.h"
#include "trip/trip_observer.h"

namespace trezik {
namespace {

using testing::FakeHost;
using testing::PluginFixture;

class EngineTest : public PluginFixture {
 protected:
  EngineTest() : form_(Form1::Get()), host_window_(StartHost()) {
    HookWindow(form_.hwnd());
    form_.set_handlers({.timer1 = &UpdateTrip});
    form_.multiplier = 1.0;
  }
  double Meter(const std::string& text) { return TextToDouble(text, '.'); }

  Form1& form_;
  FakeHost& host_window_;
};

TEST_F(EngineTest, FirstAnsweredTickAddsNothingAndTheSecondAddsTheStep) {
  host_window_.SetFix("52.0", "5.0", "50");
  Tick();
  EXPECT_EQ(form_.distance, "0");
  EXPECT_EQ(form_.prevlat, "52.0");
  host_window_.SetFix("52.0001", "5.0", "50");
  Tick();
  // 0.0001 degree of latitude is 0.006 nautical miles, 0.011112 km; the law
  // of cosines holds about four digits at this size.
  EXPECT_NEAR(Meter(form_.distance), 0.011112, 2e-5);
  EXPECT_EQ(form_.trip_total, form_.distance);
  EXPECT_EQ(form_.workmeter, "0");
  EXPECT_EQ(form_.maxspeed, 50.0);
}

TEST_F(EngineTest, MilesDivideTheStepByTheMultiplier) {
  form_.multiplier = 1.60934;
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  host_window_.SetFix("52.0001", "5.0", "0");
  Tick();
  EXPECT_NEAR(Meter(form_.distance), 0.011112 / 1.60934, 2e-5);
}

TEST_F(EngineTest, EachTickRequestsTheFixInOneMessage) {
  Tick();
  ASSERT_EQ(host_window_.received.size(), 1u);
  EXPECT_EQ(host_window_.received[0].text,
            "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD");
}

TEST_F(EngineTest, StepsFromTwoUnitsUpAreDropped) {
  // 0.01 degree of latitude along a meridian is 0.6 nautical miles on the
  // sphere, 1.1112 km; the law of cosines holds it to about 1e-8.
  constexpr double kilometres = 0.6 * 1.852;
  struct Case {
    double step;
    bool counted;
  };
  for (const Case c : {Case{2.0 * (1 + 1e-6), false}, Case{2.0 * (1 - 1e-6), true},
                       Case{1.999, true}, Case{2.5, false}}) {
    form_.distance = "0";
    form_.gpslat = "52.0";
    form_.gpslon = "5.0";
    form_.multiplier = kilometres / c.step;  // the step in units of that size
    host_window_.SetFix("52.01", "5.0", "0");
    Tick();
    if (c.counted) {
      EXPECT_NEAR(Meter(form_.distance), c.step, 2e-7) << c.step;
    } else {
      EXPECT_EQ(form_.distance, "0") << c.step;
    }
  }
}

TEST_F(EngineTest, AJumpIsDroppedAndCountingGoesOnFromTheNewPosition) {
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  host_window_.SetFix("52.03", "5.0", "0");  // about 3.3 km
  Tick();
  EXPECT_EQ(form_.distance, "0");
  host_window_.SetFix("52.0301", "5.0", "0");
  Tick();
  EXPECT_NEAR(Meter(form_.distance), 0.011112, 2e-5);
}

TEST_F(EngineTest, WorkMeterGrowsOnlyWhileWorkRecordingIsOn) {
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  host_window_.SetFix("52.0001", "5.0", "0");
  Tick();
  EXPECT_EQ(form_.workmeter, "0");
  form_.workbool = true;
  host_window_.SetFix("52.0002", "5.0", "0");
  Tick();
  EXPECT_NEAR(Meter(form_.workmeter), 0.011112, 2e-5);
  EXPECT_NEAR(Meter(form_.distance), 2 * 0.011112, 4e-5);
}

TEST_F(EngineTest, AMeterThatIsNoNumberKeepsItsTextWhileTheOthersGrow) {
  form_.trip_total = "abc";
  form_.workbool = true;
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  host_window_.SetFix("52.0001", "5.0", "0");
  Tick();
  EXPECT_EQ(form_.trip_total, "abc");
  EXPECT_GT(Meter(form_.distance), 0.0);
  EXPECT_GT(Meter(form_.workmeter), 0.0);
}

TEST_F(EngineTest, HostNotAnsweringAddsZeroAndRewritesTheMeters) {
  form_.distance = "012.50";
  Tick();
  Tick();
  EXPECT_EQ(form_.gpslat, "gpslat");
  EXPECT_EQ(form_.distance, "12.5");
}

TEST_F(EngineTest, EqualFixesEndTheTickLeavingTheTextsUntouched) {
  form_.distance = "012.50";
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  Tick();
  EXPECT_EQ(form_.distance, "012.50");
}

TEST_F(EngineTest, AnUnsetMultiplierEndsTheTick) {
  form_.multiplier = 0.0;
  form_.distance = "012.50";
  host_window_.SetFix("52.0", "5.0", "0");
  Tick();
  host_window_.SetFix("52.0001", "5.0", "0");
  Tick();
  EXPECT_EQ(form_.distance, "012.50");
}

TEST_F(EngineTest, UpdateTripNeverThrowsWhateverTheHostSends) {
  for (const char* lat : {"", "1e999", "nan", "52,0", "91", "-1e308"}) {
    host_window_.SetFix(lat, "5.0", "x");
    EXPECT_NO_THROW(UpdateTrip(form_)) << lat;
  }
}

TEST_F(EngineTest, DisabledTimerDoesNotTick) {
  form_.set_timer1_enabled(false);
  Tick();
  EXPECT_TRUE(host_window_.received.empty());
}

// Each tick tells an installed observer what became of its step; worked
// values as above (0.0001 degree of latitude 0.011112 km, 0.03 degree 3.3336).
TEST_F(EngineTest, AnObserverHearsOfEveryTicksStep) {
  struct Recorder : TripObserver {
    void OnStep(const StepReport& report) override { reports.push_back(report); }
    std::vector<StepReport> reports;
  } recorder;
  const ScopedTripObserver watching(recorder);
  OptionsToWrite(form_).trip.calibration = 1.1;
  struct Case {
    const char* latitude;  // nullptr: no fix answered
    const char* speed;
    StepOutcome outcome;
    double measured;
  };
  const Case cases[] = {{nullptr, "0", StepOutcome::kNoStep, 0.0},
                        {"52.0", "50", StepOutcome::kNoStep, 0.0},  // the anchor's own point
                        {"52.0001", "50", StepOutcome::kCounted, 0.011112},
                        {"52.0301", "50", StepOutcome::kOverBound, 3.3336}};
  for (const Case& c : cases) {
    if (c.latitude != nullptr) host_window_.SetFix(c.latitude, "5.0", c.speed);
    Tick();
  }
  ASSERT_EQ(recorder.reports.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(recorder.reports[i].outcome, cases[i].outcome) << i;
    EXPECT_NEAR(recorder.reports[i].measured, cases[i].measured, 2e-5) << i;
    const double counted = cases[i].outcome == StepOutcome::kCounted ? cases[i].measured * 1.1 : 0.0;
    EXPECT_NEAR(recorder.reports[i].counted, counted, 2e-5) << i;
  }
  // The standstill filter's hold is reported as such.
  OptionsToWrite(form_).trip.minspeed = 3;
  host_window_.SetFix("52.0302", "5.0", "1");
  Tick();
  EXPECT_EQ(recorder.reports.back().outcome, StepOutcome::kHeld);
}

}  // namespace
}  // namespace trezik
