#include "tools/simulator/drive_command_line.h"

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
  EXPECT_TRUE(line.simulation.plugin_settings.empty());
  EXPECT_FALSE(line.odometer_km);
  EXPECT_EQ(line.every_s, 60);
  EXPECT_TRUE(line.chart);
  EXPECT_EQ(line.simulation.timeline.between, Between::kInterpolate);
  EXPECT_FALSE(line.reading.strict);
}

TEST(CommandLine, OptionsReachTheSimulation) {
  const CommandLine line = ParseCommandLine(
      {"drive.nmea", "--imperial", "--decimals", "3", "--hold", "--max-gap", "4.5", "--realtime", "--decimal-comma",
       "--road", "Ring Road", "-s", "x.script", "--write-scenario", "x.scenario", "--plain", "--option", "minspeed=3",
       "--every", "86400", "--option", "Calibration=1,02", "--odometer", "24.5", "--utc-offset", "-14", "--no-chart", "--strict"});
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
  // As written, in order: the plug-in, not the command line, judges them.
  EXPECT_EQ(line.simulation.plugin_settings, (std::vector<std::string>{"minspeed=3", "Calibration=1,02"}));
  EXPECT_EQ(line.every_s, 86400);
  EXPECT_EQ(*line.odometer_km, 24.5);
  EXPECT_EQ(line.simulation.utc_offset_hours, -14);
  EXPECT_FALSE(line.chart);
  EXPECT_TRUE(line.reading.strict);
  EXPECT_EQ(ParseCommandLine({"--speedup", "0.1"}).simulation.realtime_factor, 0.1);
}

// Where an --option stands does not change what it is, nor which argument
// is the drive.
TEST(CommandLine, OptionsStandAnywhereAndTakeOnePairEach) {
  struct Order {
    std::vector<std::string> arguments;
    std::string drive;
    std::vector<std::string> settings;
  };
  const Order orders[] = {
      {{"--option", "minspeed=3", "d.nmea"}, "d.nmea", {"minspeed=3"}},
      {{"d.nmea", "--option", "minspeed=3"}, "d.nmea", {"minspeed=3"}},
      {{"--option=minspeed=3", "d.nmea"}, "d.nmea", {"minspeed=3"}},
      {{"--option", "a=1", "d.gpx", "--option=b=2", "--plain"}, "d.gpx", {"a=1", "b=2"}},
      {{"--option", "a=1", "--option", "b=2", "-"}, "-", {"a=1", "b=2"}},
      {{"--option", "minspeed=3"}, "", {"minspeed=3"}},
      {{"--plain", "d.gpx", "--option", "x==y"}, "d.gpx", {"x==y"}},
  };
  for (const Order& order : orders) {
    const CommandLine line = ParseCommandLine(order.arguments);
    EXPECT_EQ(line.drive_path, order.drive) << order.arguments[0];
    EXPECT_EQ(line.simulation.plugin_settings, order.settings) << order.arguments[0];
  }
}

struct Refusal {
  std::vector<std::string> arguments;
  const char* says;
};

TEST(CommandLine, RefusesWhatItCannotUseInOneLine) {
  const Refusal refusals[] = {
      {{"--helpp"}, "unknown option --helpp"},
      {{"a.gpx", "b.gpx"}, "one drive at a time: 'a.gpx' and 'b.gpx'"},
      {{"--max-gap"}, "--max-gap needs a value"},
      {{"--speedup", "2", "--speedup", "3"}, "--speedup is given more than once"},
      {{"--realtime", "--speedup", "2"}, "--realtime excludes --speedup"},
      {{"--every", "1e300"}, "--every: '1e300' is not a whole number from 1 to 86400"},
      {{"--every", "0.5"}, "--every"},
      {{"--every", "86401"}, "--every"},
      {{"--speedup", "1e-300"}, "--speedup: '1e-300' is not a number from 0.1 to 10000"},
      {{"--speedup", "10001"}, "--speedup"},
      {{"--decimals", "-1"}, "--decimals"},
      {{"--decimals", "x"}, "--decimals: 'x' is not"},
      {{"--utc-offset", "15"}, "--utc-offset"},
      {{"--odometer", "0"}, "--odometer"},
      {{"--out", ""}, "--out"},
      {{"a.gpx", "--script", ""}, "the script's name is empty"},
      {{"-s", "", "a.gpx"}, "the script's name is empty"},
      {{"--option", "minspeed"}, "--option: 'minspeed' is no KEY=VALUE"},
      {{"--option", "=3"}, "--option"},
      {{"--option", "a=1\nb=2"}, "control character"},
      {{""}, "the drive's name is empty"},
      {{"--plain", "", "--option", "a=1"}, "the drive's name is empty"},
      {{"--option", "minspeed=3", "a.gpx", "b.gpx"}, "one drive at a time: 'a.gpx' and 'b.gpx'"},
  };
  for (const Refusal& refusal : refusals) {
    try {
      ParseCommandLine(refusal.arguments);
      ADD_FAILURE() << "accepted " << refusal.arguments[0];
    } catch (const tools::UsageError& error) {
      const std::string what = error.what();
      EXPECT_NE(what.find(refusal.says), std::string::npos) << what;
      EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
  }
}

TEST(CommandLine, HelpStatesTheRangesAndFitsEightyColumns) {
  const std::string help = UsageText();
  for (const char* range : {"1 to 86400", "0.1 to 10000", "0 to 15", "-14 to 14", "KEY=VALUE", "--odometer KM",
                            "--version", "130"}) {
    EXPECT_NE(help.find(range), std::string::npos) << range;
  }
  std::size_t start = 0;
  for (std::size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
  }
}

}  // namespace
}  // namespace trezik::drive
