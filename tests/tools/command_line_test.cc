#include "tools/simulator/command_line.h"

#include <gtest/gtest.h>

namespace trezik::drive {
namespace {

TEST(CommandLine, DefaultsReplayTheDefaultDriveFastAndMetric) {
  const CommandLine line = ParseCommandLine({});
  EXPECT_TRUE(line.drive_path.empty());
  EXPECT_EQ(line.simulation.folder, "trezik-drive-run");
  EXPECT_TRUE(line.simulation.metric_units);
  EXPECT_EQ(line.simulation.realtime_factor, 0.0);
  EXPECT_FALSE(line.simulation.decimal_places);
  EXPECT_EQ(line.simulation.timeline.between, Between::kInterpolate);
}

TEST(CommandLine, OptionsReachTheSimulation) {
  const CommandLine line = ParseCommandLine({"drive.nmea", "--imperial", "--decimals", "3", "--hold", "--max-gap",
                                             "4.5", "--realtime", "--decimal-comma", "--road", "Ring Road",
                                             "-s", "x.script", "--write-scenario", "x.scenario", "--plain"});
  EXPECT_EQ(line.drive_path, "drive.nmea");
  EXPECT_FALSE(line.simulation.metric_units);
  EXPECT_EQ(*line.simulation.decimal_places, "3");
  EXPECT_EQ(line.simulation.timeline.between, Between::kHold);
  EXPECT_EQ(line.simulation.timeline.max_gap_s, 4.5);
  EXPECT_EQ(line.simulation.realtime_factor, 1.0);
  EXPECT_EQ(line.simulation.decimal_mark, ',');
  EXPECT_EQ(line.simulation.road, "Ring Road");
  EXPECT_EQ(line.script_path, "x.script");
  EXPECT_EQ(line.scenario_path, "x.scenario");
  EXPECT_TRUE(line.plain);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--decimals", "-1"}, {"--decimals", "x"}, {"--speedup", "0"},
                                             {"--every", "0.5"}, {"--utc-offset", "15"}, {"a.gpx", "b.gpx"},
                                             {"--out", ""}, {"--max-gap"}}) {
    EXPECT_THROW(ParseCommandLine(bad), std::invalid_argument) << bad[0];
  }
}

}  // namespace
}  // namespace trezik::drive
