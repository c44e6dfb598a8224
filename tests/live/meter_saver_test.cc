// The live host's save every 30 host seconds: only when the plug-in's own
// autosave is off, and only when the meters moved since the last one.
#include "tools/live/meter_saver.h"

#include <gtest/gtest.h>

#include <functional>

namespace trezik::live {
namespace {

TEST(MeterSaver, ThePluginAutosavesWithAValidAutosaveItemAsItReadsIt) {
  struct Case {
    const char* ini;
    bool autosaves;
  } cases[] = {
      // The plug-in's own rules (core/plugin_options, tested there) decide.
      {"decimalplaces=3\r\nminspeed=3\r\nAUTOSAVE=30", true},
      {"autosave=9", false},                    // below 10 s: off
      {"autosave=30\r\nautosave=x\r\n", false}, // the last item counts
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(PluginAutosaves(c.ini, '.'), c.autosaves) << c.ini;
}

StepReport Meters(double total, double work, double counted = 0.0) {
  StepReport report;
  report.counted = counted;
  report.total = total;
  report.work = work;
  return report;
}

// Runs `ticks` ticks with `report` and says on which of them a save was due.
std::vector<int> DueTicks(MeterSaver& saver, int from, int ticks, const std::function<StepReport(int)>& report) {
  std::vector<int> due;
  for (int tick = from; tick < from + ticks; ++tick) {
    saver.OnStep(report(tick));
    if (saver.SaveDue()) due.push_back(tick);
  }
  return due;
}

TEST(MeterSaver, EveryThirtiethTickWhenTheMetersMoved) {
  MeterSaver saver(false);
  // Standing still at the meters read at the start: nothing to save.
  EXPECT_TRUE(DueTicks(saver, 1, 30, [](int) { return Meters(12.5, 3.0); }).empty());
  // Driving: a save on ticks 60 and 90.
  EXPECT_EQ(DueTicks(saver, 31, 60, [](int tick) { return Meters(12.5 + tick * 0.01, 3.0, 0.01); }),
            (std::vector<int>{60, 90}));
  // Parked after one more step on tick 91: one save, on tick 120.
  EXPECT_EQ(DueTicks(saver, 91, 60, [](int) { return Meters(13.5, 3.0, 0.0); }), (std::vector<int>{120}));
  // A command between ticks reset the work meter.
  EXPECT_EQ(DueTicks(saver, 151, 30, [](int) { return Meters(13.5, 0.0); }), (std::vector<int>{180}));
}

TEST(MeterSaver, NeverWhenThePluginAutosaves) {
  MeterSaver saver(true);
  EXPECT_TRUE(DueTicks(saver, 1, 90, [](int tick) { return Meters(tick, tick, 1.0); }).empty());
}

}  // namespace
}  // namespace trezik::live
