#include "support/log_fields.h"
#include "tools/simulator/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "drive_math.h"
#include "drive_test_support.h"
#include "core/convert.h"
#include "state/form1.h"
#include "tools/simulator/scenario_writer.h"
#include "tools/simulator/summary.h"

namespace trezik::drive {
namespace {

using testing::ModelMeter;
using testing::ScratchFolder;

// A drive due north along 8 E at `metres_per_second`, one fix a second, with
// one fix thrown `jump_km` to the north at second `jump_at` (none when 0).
Drive NorthboundDrive(int seconds, double metres_per_second, int jump_at, double jump_km) {
  Drive drive;
  drive.path = "northbound";
  drive.format = "test";
  const double degrees_per_metre = 1.0 / 111200.0;
  for (int s = 0; s <= seconds; ++s) {
    Fix fix;
    fix.time = 1.7e9 + s;
    fix.latitude = 50.0 + s * metres_per_second * degrees_per_metre;
    fix.longitude = 8.0;
    if (jump_at > 0 && s == jump_at) fix.latitude += jump_km * 1000.0 * degrees_per_metre;
    fix.speed_mps = metres_per_second;
    drive.fixes.push_back(fix);
  }
  return drive;
}

using trezik::testing::Fields;
using trezik::testing::Round2;

class SimulationTest : public ::testing::Test {
 protected:
  SimulationOptions Options() const {
    SimulationOptions options;
    options.folder = scratch_.Path("run");
    options.road = "Test Road";
    return options;
  }
  ScratchFolder scratch_;
};

TEST_F(SimulationTest, MetersLogsAndFillUpAgreeWithAnIndependentModel) {
  const Drive drive = NorthboundDrive(120, 20.0, 60, 3.3);
  const Script script = ParseScript(
      "before state 100 0\n30 logwork\n90 logwork\n95 road Station Lane\nend logtrip\nend fillup 5 1.5\n", "s");
  Simulation simulation(drive, script, Options());
  const SimulationResult result = simulation.Run();

  ASSERT_EQ(result.latitudes.size(), 121u);
  const auto model = ModelMeter(result.latitudes, result.longitudes, 1.0);
  EXPECT_EQ(model.dropped, (std::vector<int>{60, 61}));
  ASSERT_EQ(result.dropped.size(), 2u);
  EXPECT_EQ(result.dropped[0].second, 60);
  EXPECT_EQ(result.dropped[1].second, 61);
  EXPECT_NEAR(result.odometer, model.total, model.tolerance);
  EXPECT_NEAR(result.odometer, 118 * 0.020, 0.01);  // 120 steps of 20 m, two of them dropped

  // Work recording counted the ticks of seconds 31 to 90.
  double work = 0.0;
  for (int s = 31; s <= 90; ++s) work += model.steps[s];
  const std::string state = testing::ReadText(result.tripmeter_ini);
  EXPECT_EQ(state.substr(0, 3), "0\r\n");  // the fill-up restarted the total
  EXPECT_NEAR(std::stod(state.substr(3)), work, model.tolerance);

  const std::vector<std::string> trips = LogRecords(result.tripmeter_log);
  ASSERT_EQ(trips.size(), 1u);
  const std::vector<std::string> trip = Fields(trips[0]);
  ASSERT_EQ(trip.size(), 8u);
  const double total = 100.0 + model.total;
  EXPECT_NEAR(std::stod(trip[2]), Round2(model.total), 0.0101);
  EXPECT_NEAR(std::stod(trip[3]), Round2(total), 0.0101);
  EXPECT_NEAR(std::stod(trip[4]), Round2(work), 0.0101);
  EXPECT_EQ(trip[5], "\"" + CoordinateText(drive.fixes.back().latitude, '.') + "\"");
  EXPECT_EQ(trip[6], "\"8\"");
  EXPECT_EQ(trip[7], "\"Station Lane\"");

  const std::vector<std::string> fuel_records = LogRecords(result.fuel_log);
  ASSERT_EQ(fuel_records.size(), 1u);
  const std::vector<std::string> fuel = Fields(fuel_records[0]);
  ASSERT_EQ(fuel.size(), 10u);
  EXPECT_EQ(fuel[2], "5");
  EXPECT_NEAR(std::stod(fuel[3]), Round2(total), 0.0101);
  EXPECT_NEAR(std::stod(fuel[4].substr(1)), Round2(5.0 / total * 100.0), 0.0101);
  EXPECT_EQ(fuel[5], "1.5");
  EXPECT_NEAR(std::stod(fuel[6]), Round2(5.0 * 1.5 / total), 0.0101);
  EXPECT_EQ(fuel[9], "\"Station Lane\"");
  EXPECT_EQ(result.exits, 1);
  ASSERT_EQ(result.fill_ups.size(), 1u);
  EXPECT_EQ(result.fill_ups[0].quantity, "5");

  // The skin at arrival, and after the fill-up restarted the trip.
  EXPECT_NEAR(std::stod(result.arrival_labels.tripmeter), model.total, 0.0051);
  EXPECT_EQ(result.arrival_labels.maxspeed, "72");  // 20 m/s
  EXPECT_EQ(result.final_labels.tripmeter, "0");
  EXPECT_NEAR(std::stod(result.final_labels.mpg), 5.0 / total * 100.0, 0.0051);
  for (const Event& event : result.events) EXPECT_FALSE(event.failed) << event.text;
}

struct BoundCase {
  bool metric;
  double jump_km;
  std::size_t dropped;
  const char* decimals = nullptr;  // "decimalplaces" in trezik.ini; the meters are read to every place anyway
};

class SimulationBound : public SimulationTest, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(SimulationBound, JumpIsDroppedOnlyBeyondTwoUserUnits) {
  const BoundCase& c = GetParam();
  SimulationOptions options = Options();
  options.metric_units = c.metric;
  if (c.decimals != nullptr) options.decimal_places = c.decimals;
  const Drive drive = NorthboundDrive(20, 10.0, 10, c.jump_km);
  const Script script = ParseScript("", "none");
  Simulation simulation(drive, script, options);
  const SimulationResult result = simulation.Run();
  EXPECT_EQ(result.dropped.size(), c.dropped);
  const double multiplier = c.metric ? 1.0 : 1.60934;
  EXPECT_EQ(result.multiplier, multiplier);
  const auto model = ModelMeter(result.latitudes, result.longitudes, multiplier);
  EXPECT_EQ(model.dropped.size(), c.dropped);
  EXPECT_NEAR(result.odometer, model.total, model.tolerance);
  EXPECT_EQ(result.final_labels.distunit, c.metric ? "Km" : "Mi");
}

// 2.5 km is past 2 km but short of 2 miles; 3.5 km is past both.
INSTANTIATE_TEST_SUITE_P(Table, SimulationBound,
                         ::testing::Values(BoundCase{true, 2.5, 2}, BoundCase{false, 2.5, 0},
                                           BoundCase{true, 3.5, 2}, BoundCase{false, 3.5, 2},
                                           BoundCase{true, 1.9, 0}, BoundCase{true, 1.9, 0, "0"},
                                           BoundCase{false, 3.5, 2, "0"}));

// Driving, a stop with the fix wandering 3 m either side at 0.4 km/h, then
// driving on, with minspeed=3 and calibration=1.1: the stop's ticks are held
// and count nothing, the first tick after it counts the step from the last
// moving fix, and every counted step is the sphere's step times 1.1.
TEST_F(SimulationTest, HeldTicksCountNothingAndTheStepAfterAStopStartsAtItsAnchor) {
  Drive drive = NorthboundDrive(50, 10.0, 0, 0);
  for (int s = 21; s <= 30; ++s) {
    drive.fixes[s].latitude = drive.fixes[20].latitude;
    drive.fixes[s].longitude = 8.0 + (s % 2 ? 3.0 : -3.0) / 71500.0;
    drive.fixes[s].speed_mps = 0.1;
  }
  SimulationOptions options = Options();
  options.plugin_settings = {"minspeed=3", "calibration=1.1"};
  const Script script = ParseScript("", "none");
  const SimulationResult result = Simulation(drive, script, options).Run();
  ASSERT_EQ(result.counted.size(), 51u);
  ASSERT_EQ(result.step_origins.size(), 51u);
  double expected = 0.0, tolerance = 0.0;
  for (int s = 0; s <= 50; ++s) {
    SCOPED_TRACE(s);
    const bool held = s == 0 || (s >= 21 && s <= 30);
    const int origin = held ? -1 : s == 31 ? 20 : s - 1;
    EXPECT_EQ(result.step_origins[s], origin);
    if (origin < 0) {
      EXPECT_EQ(result.counted[s], 0.0);
      continue;
    }
    const double km = testing::SphereKilometres(result.latitudes[origin], result.longitudes[origin],
                                                result.latitudes[s], result.longitudes[s]);
    EXPECT_NEAR(result.counted[s], 1.1 * km, 1.1 * testing::StepTolerance(km));
    expected += 1.1 * km;
    tolerance += 1.1 * testing::StepTolerance(km);
  }
  EXPECT_NEAR(result.odometer, expected, tolerance);
  EXPECT_TRUE(result.dropped.empty());
}

TEST_F(SimulationTest, HostReportsSpeedInTheUserUnit) {
  EXPECT_EQ(SpeedText(20.0, true, '.'), "72 km/h");
  EXPECT_EQ(SpeedText(20.0, false, ','), "44,7 mph");
  EXPECT_EQ(CoordinateText(-48.123456789, ','), "-48,1234568");
}

TEST_F(SimulationTest, DecimalCommaUserKeysAFractionalFillUp) {
  SimulationOptions options = Options();
  options.decimal_mark = ',';
  const Drive drive = NorthboundDrive(30, 15.0, 0, 0);
  const Script script = ParseScript("end fillup 4.5 1\n", "s");
  Simulation simulation(drive, script, options);
  const SimulationResult result = simulation.Run();
  EXPECT_GT(result.odometer, 0.4);
  // The decimal key types the user's ",": the fill-up is accepted and logged
  // with "." in its number fields.
  for (const Event& event : result.events) EXPECT_FALSE(event.failed) << event.text;
  EXPECT_EQ(result.exits, 1);
  const std::vector<std::string> records = LogRecords(result.fuel_log);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Fields(records[0])[2], "4.5");
}

TEST_F(SimulationTest, ScenarioListsEveryInstructionInOrder) {
  const Drive drive = NorthboundDrive(3, 10.0, 0, 0);
  const Script script = ParseScript("start road A\n1 logwork\n", "s");
  Simulation simulation(drive, script, Options());
  std::ostringstream scenario, transcript;
  ScenarioWriter writer(scenario, transcript);
  simulation.add_observer(&writer);
  const SimulationResult result = simulation.Run();
  std::vector<std::string> kinds;
  std::stringstream lines(scenario.str());
  for (std::string line; std::getline(lines, line);) {
    if (line[0] != '#') kinds.push_back(line.substr(0, line.find(' ')) + (line.rfind("command", 0) == 0 ? " " + line.substr(8) : ""));
  }
  const std::vector<std::string> labels = {"label", "label", "label", "label", "label", "label", "indicator"};
  std::vector<std::string> expected = {"pwpath", "road", "fix",  "create", "road", "tick", "fix", "tick",
                                       "command logwork", "fix", "tick", "fix", "tick"};
  expected.insert(expected.end(), labels.begin(), labels.end());  // at arrival
  expected.insert(expected.end(), labels.begin(), labels.end());  // after the end steps
  expected.push_back("release");
  EXPECT_EQ(kinds, expected);
  // The transcript answers each command and label instruction in order.
  std::stringstream answers(transcript.str());
  std::string answer;
  ASSERT_TRUE(std::getline(answers, answer));
  EXPECT_EQ(answer, "command logwork -> 2");
  ASSERT_TRUE(std::getline(answers, answer));
  EXPECT_EQ(answer, "label tripmeter -> " + result.arrival_labels.tripmeter);
  EXPECT_NE(scenario.str().find("# trezik-drive setup: pw.ini isunits=True\n"), std::string::npos);
}

TEST_F(SimulationTest, FolderThatCannotBePreparedFailsTheRunBeforeThePlugInStarts) {
  SimulationOptions options = Options();
  options.decimal_places = "3";
  // A file where the plug-in folder should be: nothing can be prepared.
  testing::ScratchFolder other;
  options.folder = other.Write("not-a-folder", "x");
  const Drive drive = NorthboundDrive(3, 10.0, 0, 0);
  const Script script = ParseScript("", "s");
  EXPECT_THROW(Simulation(drive, script, options).Run(), SimulationError);
  EXPECT_EQ(Form1::Existing(), nullptr);
}

}  // namespace
}  // namespace trezik::drive
