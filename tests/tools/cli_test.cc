// trezik-drive from its command line: the default drive checked against an
// independent reading of its GPX file, real recorded drives, and bad input.
#include "support/log_fields.h"
#include "tools/simulator/cli.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "drive_math.h"
#include "drive_test_support.h"
#include "tools/tracks/civil_time.h"
#include "tools/simulator/summary.h"
#include "tools/tracks/read_drive.h"

namespace trezik::drive {
namespace {

using testing::ModelMeter;
using testing::ReadText;
using testing::ScratchFolder;
using testing::SourcePath;

const std::string kDefaultDrive = SourcePath("tools/simulator/default_drive");

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome Trezik(const std::vector<std::string>& arguments, const Console& console = {}) {
  std::ostringstream out, err;
  Outcome run;
  run.status = RunTrezikDrive(arguments, out, err, kDefaultDrive, console);
  run.out = out.str();
  run.err = err.str();
  return run;
}

using trezik::testing::Fields;
using trezik::testing::Round2;
double Round7(double value) { return std::nearbyint(value * 1e7) / 1e7; }

// The positions the host should report for the default drive, read straight
// from its GPX file: one a second, the gaps (a tunnel) filled linearly.
void DefaultDrivePositions(std::vector<double>& lat, std::vector<double>& lon) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((kDefaultDrive + "/default_drive.gpx").c_str()));
  std::map<long, std::pair<double, double>> by_second;
  for (pugi::xpath_node point : document.select_nodes("//trkpt")) {
    const auto seconds = ParseIsoTime(point.node().child_value("time"));
    ASSERT_TRUE(seconds);
    by_second[std::lround(*seconds)] = {point.node().attribute("lat").as_double(),
                                        point.node().attribute("lon").as_double()};
  }
  const long first = by_second.begin()->first;
  for (auto it = by_second.begin(); std::next(it) != by_second.end(); ++it) {
    const auto next = std::next(it);
    for (long s = it->first; s < next->first; ++s) {
      const double w = static_cast<double>(s - it->first) / (next->first - it->first);
      lat.push_back(Round7(it->second.first + (next->second.first - it->second.first) * w));
      lon.push_back(Round7(it->second.second + (next->second.second - it->second.second) * w));
    }
  }
  lat.push_back(Round7(by_second.rbegin()->second.first));
  lon.push_back(Round7(by_second.rbegin()->second.second));
  ASSERT_EQ(static_cast<long>(lat.size()), by_second.rbegin()->first - first + 1);
}

TEST(TrezikDrive, DefaultDriveFiguresMatchAnIndependentReadingOfItsTrack) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path("run");
  const Outcome run = Trezik({"--out", folder, "--every", "600", "--details"});
  ASSERT_EQ(run.status, 0) << run.err;

  std::vector<double> lat, lon;
  DefaultDrivePositions(lat, lon);
  const auto model = ModelMeter(lat, lon, 1.0);
  // The parked seconds' uncertainty dominates; still tight enough to catch a
  // wrong unit or a step counted twice.
  ASSERT_LT(model.tolerance, model.total * 2e-3);
  // The jump: out to the thrown fix and back, both dropped, nothing else.
  ASSERT_EQ(model.dropped.size(), 2u);
  EXPECT_EQ(model.dropped[1], model.dropped[0] + 1);
  EXPECT_NE(run.out.find("Steps dropped by the 2-unit bound: 2"), std::string::npos);
  EXPECT_NE(run.out.find("Dropped as a GPS jump: 2 step(s)"), std::string::npos);

  // The trip record on arrival (two records: one on the way, one at the end)
  // and the fill-up after it, on top of the 583.6 km the script starts from.
  const std::vector<std::string> trips = LogRecords(folder + "/plugin/tripmeter.log");
  ASSERT_EQ(trips.size(), 2u);
  const std::vector<std::string> arrival = Fields(trips[1]);
  const double total = 583.6 + model.total;
  EXPECT_NEAR(std::stod(arrival[2]), Round2(model.total), 0.0101) << trips[1];
  EXPECT_NEAR(std::stod(arrival[3]), Round2(total), 0.0101) << trips[1];
  EXPECT_EQ(arrival[7], "\"Tankstelle Gewerbering\"");

  const std::vector<std::string> fuel_records = LogRecords(folder + "/plugin/fuel.log");
  ASSERT_EQ(fuel_records.size(), 1u);
  const std::vector<std::string> fuel = Fields(fuel_records[0]);
  EXPECT_EQ(fuel[2], "41.37");
  EXPECT_NEAR(std::stod(fuel[3]), Round2(total), 0.0101);
  EXPECT_NEAR(std::stod(fuel[4].substr(1)), Round2(41.37 / total * 100.0), 0.0101);
  EXPECT_NEAR(std::stod(fuel[6]), Round2(41.37 * 1.859 / total), 0.0101);

  // Work recording ran from the town exit to the end of the road: the work
  // meter is a real part of the trip, saved in tripmeter.ini with a zero total.
  const std::string state = ReadText(folder + "/plugin/tripmeter.ini");
  ASSERT_EQ(state.substr(0, 3), "0\r\n");
  const double work = std::stod(state.substr(3));
  EXPECT_GT(work, 0.3 * model.total);
  EXPECT_LT(work, 0.7 * model.total);

  // The summary's accuracy line: the meter against the geodesic of the
  // counted steps, both recomputed here.
  double geodesic = 0.0;
  for (std::size_t i = 1; i < lat.size(); ++i) {
    if (std::find(model.dropped.begin(), model.dropped.end(), static_cast<int>(i)) != model.dropped.end()) continue;
    geodesic += GeodesicMetres(lat[i - 1], lon[i - 1], lat[i], lon[i]) / 1000.0;
  }
  auto figure_after = [&](const std::string& label) {
    const std::size_t at = run.out.find(label);
    EXPECT_NE(at, std::string::npos) << label << "\n" << run.out;
    return at == std::string::npos ? 0.0 : std::strtod(run.out.c_str() + at + label.size(), nullptr);
  };
  const double meter = figure_after("trip meter, whole drive:");
  const double printed_geodesic = figure_after("WGS84 geodesic of the counted steps:");
  const double printed_off = figure_after("the spherical formula is off by");
  EXPECT_NEAR(meter, model.total, model.tolerance);
  EXPECT_NEAR(printed_geodesic, geodesic, 5e-5);
  EXPECT_NEAR(printed_off, (meter / printed_geodesic - 1.0) * 100.0, 0.001);

  // Everything the summary promises is there, and the chart is an SVG
  // document with the four series and the fill-up.
  EXPECT_EQ(ReadText(folder + "/summary.txt"), run.out.substr(run.out.find("Trip      ")));
  pugi::xml_document svg;
  ASSERT_TRUE(svg.load_file((folder + "/drive.svg").c_str()));
  EXPECT_EQ(svg.select_nodes("//polyline").size(), 4u);
  EXPECT_EQ(svg.select_nodes("//line[@class='fillup']").size(), 1u);
  EXPECT_EQ(svg.select_nodes("//path[@class='dropped']").size(), 2u);

  // The history report of the plug-in's folder, named last: the fill-up of
  // fuel.log in metric units.
  // Named last; a path wider than the summary is split over lines.
  std::string joined = run.out.substr(run.out.rfind("Report"));
  for (std::size_t at; (at = joined.find("\n ")) != std::string::npos;) {
    joined.erase(at, joined.find_first_not_of(' ', at + 1) - at);
  }
  EXPECT_NE(joined.find(folder + "/report/report.html"), std::string::npos) << joined;
  EXPECT_NE(ReadText(folder + "/report/report.html").find("L/100 km"), std::string::npos);
  const std::vector<std::string> fill_rows = LogRecords(folder + "/report/fillups.csv");
  ASSERT_EQ(fill_rows.size(), 2u);
  EXPECT_EQ(fill_rows[1].substr(0, 30), "\"2026-03-02\",\"08:14:29\",41.37,");
}

TEST(TrezikDrive, ASecondRunStartsAfreshUnlessToldToKeepTheState) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path("run");
  const std::string drive = scratch.Write(
      "d.gpx", "<gpx version=\"1.1\"><trk><trkseg>"
               "<trkpt lat=\"50\" lon=\"8\"><time>2020-01-01T00:00:00Z</time></trkpt>"
               "<trkpt lat=\"50.001\" lon=\"8\"><time>2020-01-01T00:00:10Z</time></trkpt>"
               "</trkseg></trk></gpx>");
  ASSERT_EQ(Trezik({drive, "--out", folder}).status, 0);
  ASSERT_EQ(Trezik({drive, "--out", folder}).status, 0);
  EXPECT_EQ(LogRecords(folder + "/plugin/tripmeter.log").size(), 1u);
  ASSERT_EQ(Trezik({drive, "--out", folder, "--keep-state"}).status, 0);
  const std::vector<std::string> trips = LogRecords(folder + "/plugin/tripmeter.log");
  ASSERT_EQ(trips.size(), 2u);
  // The total carried over through tripmeter.ini: twice the trip.
  EXPECT_NEAR(std::stod(Fields(trips[1])[3]), 2 * std::stod(Fields(trips[1])[2]), 0.011);
}

struct BadRun {
  const char* name;
  std::string drive;   // file content, "" for the default drive
  std::string script;  // file content, "" for none
  std::vector<std::string> options;
  const char* says;
};

class TrezikDriveRefuses : public ::testing::TestWithParam<BadRun> {};

TEST_P(TrezikDriveRefuses, WithAClearMessageAndWithoutWritingAnything) {
  const BadRun& bad = GetParam();
  ScratchFolder scratch;
  std::vector<std::string> arguments = {"--out", scratch.Path("run")};
  if (!bad.drive.empty()) arguments.push_back(scratch.Write("drive.gpx", bad.drive));
  if (!bad.script.empty()) arguments.insert(arguments.end(), {"--script", scratch.Write("drive.script", bad.script)});
  arguments.insert(arguments.end(), bad.options.begin(), bad.options.end());
  const Outcome run = Trezik(arguments);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(bad.says), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  EXPECT_FALSE(std::filesystem::exists(scratch.Path("run")));
}

const std::string kTwoPoints =
    "<gpx version=\"1.1\"><trk><trkseg>\n"
    "<trkpt lat=\"50\" lon=\"8\"><time>2020-01-01T00:00:00Z</time></trkpt>\n"
    "<trkpt lat=\"50.001\" lon=\"8\"><time>2020-01-01T00:00:10Z</time></trkpt>\n"
    "</trkseg></trk></gpx>\n";
const std::string kOneBadPoint = "<gpx version=\"1.1\"><trk><trkseg>\n\n<trkpt lat=\"x\" lon=\"8\"/>\n</trkseg></trk></gpx>";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrezikDriveRefuses,
    ::testing::Values(
        BadRun{"BadTrackPoint", kOneBadPoint, "", {"--strict"}, "drive.gpx:3: lat=\"x\" is not a number"},
        BadRun{"NoUsableFix", kOneBadPoint, "", {},
               "drive.gpx: no usable fix is left among its 1 track point (skipped: 1 with a field"},
        BadRun{"LongerThan31Days", Replace(kTwoPoints, "2020-01-01T00:00:10Z", "2020-02-01T00:00:01Z"), "", {},
               "drive.gpx: the drive lasts 31.0 days from its first fix (line 2) to its last (line 3); the "
               "simulator replays at most 31 days"},
        BadRun{"NotText", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "", {}, "drive.gpx: is not text at all"},
        BadRun{"ScriptError", kTwoPoints, "5 logtrip\n6 jump\n", {}, "drive.script:2: unknown action 'jump'"},
        BadRun{"ScriptPastTheEnd", kTwoPoints, "11 logtrip\n", {}, "drive.script:1: +00:11 lies after the end"},
        BadRun{"UnknownOption", kTwoPoints, "", {"--fast"}, "unknown option --fast"},
        BadRun{"BadDecimals", kTwoPoints, "", {"--decimals", "2.5"}, "--decimals"},
        BadRun{"MissingValue", "", "", {"--speedup"}, "--speedup needs a value; see --help"},
        BadRun{"OutOfRange", "", "", {"--every", "1e300"}, "--every: '1e300' is not a whole number"},
        BadRun{"KeepStateWithBeforeState", kTwoPoints, "before state 100 0\n", {"--keep-state"},
               "drive.script:1 \"before state 100 0\" sets them"}),
    [](const auto& info) { return std::string(info.param.name); });

// A point that cannot be read is skipped: the run goes on, and the summary
// says which line.
TEST(TrezikDrive, SkipsADamagedPointAndSaysWhereInTheSummary) {
  ScratchFolder scratch;
  const std::string drive = Replace(kTwoPoints, "<trkpt lat=\"50.001\"", "<trkpt lat=\"x\" lon=\"8\"/>\n<trkpt lat=\"50.001\"");
  const Outcome run = Trezik({scratch.Write("d.gpx", drive), "--out", scratch.Path("run"), "--no-chart"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("skipped 1 track point with a field that cannot be read (line 3)\n"), std::string::npos)
      << run.out;
}

// The options reach the plug-in's trezik.ini; the summary says what it makes
// of each, and --odometer's factor, run again as calibration, makes the trip
// meter read the odometer's distance.
TEST(TrezikDrive, SettingsAndTheOdometerFactor) {
  ScratchFolder scratch;
  const std::string drive = scratch.Write("d.gpx", kTwoPoints);
  const std::string folder = scratch.Path("run");
  const Outcome first = Trezik({drive, "--out", folder, "--imperial", "--decimals", "3", "--option", "minspeed=x",
                                "--option", "calibration=1.5", "--option", "colour=red", "--option", "distance=wgs84",
                                "--option", "calibration=0.9", "--odometer", "0.105"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(ReadText(folder + "/plugin/trezik.ini"),
            "decimalplaces=3\r\nminspeed=x\r\ncalibration=1.5\r\ncolour=red\r\ndistance=wgs84\r\n"
            "calibration=0.9\r\n");
  for (const char* line : {"in force: decimalplaces=3, distance=wgs84, calibration=0.9\n",
                           "  minspeed=x: not a number: minspeed is off\n",
                           "  calibration=1.5: out of range (0.8 to 1.2): calibration stays 1\n",
                           "  colour=red: unknown key, passed over\n"}) {
    EXPECT_NE(first.out.find(line), std::string::npos) << line << first.out;
  }
  EXPECT_NE(ReadText(folder + "/report/report.html").find("mpg"), std::string::npos);

  const std::string factor_label = "calibration=";
  const std::size_t at = first.out.find(factor_label, first.out.find("Odometer  0.105 km"));
  ASSERT_NE(at, std::string::npos) << first.out;
  const std::string factor = first.out.substr(at + factor_label.size(), first.out.find(' ', at) - at - factor_label.size());
  const Outcome second = Trezik({drive, "--out", folder, "--imperial", "--decimals", "9", "--option",
                                 "distance=wgs84", "--option", "calibration=" + factor, "--odometer", "0.105"});
  ASSERT_EQ(second.status, 0) << second.err;
  // The trip as the plug-in logged it at the end, in its miles of 1.60934 km.
  const std::vector<std::string> trips = LogRecords(folder + "/plugin/tripmeter.log");
  ASSERT_EQ(trips.size(), 1u);
  EXPECT_NEAR(std::stod(Fields(trips[0])[2]) * 1.60934, 0.105, 0.105 * 1e-5) << trips[0];
  EXPECT_NE(second.out.find("calibration=" + factor + " makes"), std::string::npos) << second.out;
}

// Ctrl-C sets the flag: the run ends after the tick it is in, without its
// "end" steps, with the plug-in's files whole and exit status 130.
TEST(TrezikDrive, AnInterruptedRunKeepsWhatItWroteAndSaysWhere) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path("run");
  std::atomic<bool> interrupt{true};
  Console console;
  console.interrupt = &interrupt;
  const Outcome run = Trezik({scratch.Write("d.gpx", kTwoPoints), "--script",
                              scratch.Write("d.script", "0 logtrip\nend fillup 40 1.5\n"), "--out", folder},
                             console);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.out.find("INTERRUPTED by Ctrl-C after the tick of +00:00 of +00:10"), std::string::npos) << run.out;
  EXPECT_EQ(LogRecords(folder + "/plugin/tripmeter.log").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder + "/plugin/fuel.log"));
  EXPECT_EQ(ReadText(folder + "/plugin/tripmeter.ini"), "0\r\n0\r\n");
  EXPECT_TRUE(std::filesystem::exists(folder + "/summary.txt"));

  // Interrupted in the middle: the plug-in saves the total it had counted,
  // which the trip log's record at that tick shows too.
  struct InterruptAt : SimulationObserver {
    std::atomic<bool>* flag;
    void OnTick(const TickRecord& tick, const std::function<Labels()>&) override { *flag = tick.second == 6; }
  };
  std::atomic<bool> midway{false};
  InterruptAt observer;
  observer.flag = &midway;
  const Drive drive = ReadDrive(scratch.Path("d.gpx"));
  const Script script = ParseScript("6 logtrip\n", "");
  SimulationOptions options;
  options.folder = scratch.Path("midway");
  options.decimal_places = "15";
  options.interrupt = &midway;
  Simulation simulation(drive, script, options);
  simulation.add_observer(&observer);
  const SimulationResult result = simulation.Run();
  EXPECT_EQ(result.interrupted_after, 6);
  EXPECT_EQ(result.ticks.size(), 7u);
  const std::vector<std::string> trips = LogRecords(options.folder + "/plugin/tripmeter.log");
  ASSERT_EQ(trips.size(), 1u);
  const double logged_total = std::stod(Fields(trips[0])[3]);
  EXPECT_GT(logged_total, 0.05);  // 6 of the 10 steps of 0.11 km
  EXPECT_NEAR(std::stod(ReadText(options.folder + "/plugin/tripmeter.ini")), logged_total, 1e-12);
}

// Every line of the output fits the terminal, the driver's headline comes
// first, and the developer's words appear only under --details.
TEST(TrezikDrive, TheSummaryFitsTheTerminalAndKeepsDevelopersWordsForDetails) {
  const char* developer_words[] = {"Timer1", "messages to the host", "law of cosines", "2-unit bound"};
  for (const int columns : {40, 57, 80, 200}) {
    for (const bool details : {false, true}) {
      SCOPED_TRACE(std::to_string(columns) + (details ? " --details" : ""));
      ScratchFolder scratch;
      Console console;
      console.columns = [columns] { return columns; };
      std::vector<std::string> arguments = {"--out", scratch.Path("run"), "--every", "600"};
      if (details) arguments.push_back("--details");
      const Outcome run = Trezik(arguments, console);
      ASSERT_EQ(run.status, 0) << run.err;
      // The run's lines within the terminal, the summary within 80 columns too.
      const std::string summary = run.out.substr(run.out.find("\nTrip ") + 1);
      std::istringstream lines(run.out);
      for (std::string line; std::getline(lines, line);) {
        const bool in_summary = summary.find(line + "\n") != std::string::npos;
        EXPECT_LE(static_cast<int>(line.size()), in_summary ? std::min(columns, 80) : columns) << line;
      }
      EXPECT_EQ(summary.rfind("Trip      24.03 Km in 29:29", 0), 0u) << summary;
      for (const char* word : developer_words) {
        EXPECT_EQ(summary.find(word) != std::string::npos, details) << word;
      }
    }
  }
}

// On a terminal the first line fits too: both paths keep their ends.
TEST(TrezikDrive, TheLiveViewsFirstLineFitsTheTerminal) {
  ScratchFolder scratch;
  Console console;
  console.terminal = true;
  console.columns = [] { return 40; };
  const Outcome run = Trezik({"--out", scratch.Path("run")}, console);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string first = run.out.substr(0, run.out.find('\n'));
  EXPECT_LE(first.size(), 39u) << first;
  EXPECT_EQ(first.rfind("trezik-drive: ...", 0), 0u) << first;
  EXPECT_NE(first.find(".gpx -> ..."), std::string::npos) << first;
  EXPECT_EQ(first.substr(first.size() - 4), "/run") << first;
}

TEST(TrezikDrive, VersionIsTheProjectVersion) {
  const std::string cmake = ReadText(SourcePath("CMakeLists.txt"));
  const std::string key = "project(trezik VERSION ";
  const std::size_t at = cmake.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::string version = cmake.substr(at + key.size(), cmake.find(' ', at + key.size()) - at - key.size());
  const Outcome run = Trezik({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "trezik-drive " + version + "\n");
}

// Each recorded drive replays whole; the meter stays within half a percent
// below the geodesic length (the sphere is smaller than the ellipsoid there).
class RecordedDrive : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordedDrive, ReplaysWithTheMeterCloseToTheGeodesic) {
  TREZIK_TRACK_OR_SKIP(path, GetParam());
  ScratchFolder scratch;
  const Outcome run = Trezik({path, "--out", scratch.Path("run"), "--no-chart", "--every", "86400", "--details"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto at = run.out.find("the spherical formula is off by ");
  ASSERT_NE(at, std::string::npos) << run.out;
  const double percent = std::stod(run.out.substr(at + 32));
  EXPECT_LT(percent, 0.0);
  EXPECT_GT(percent, -0.5);
  EXPECT_EQ(LogRecords(scratch.Path("run/plugin/tripmeter.log")).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Tracks, RecordedDrive,
                         ::testing::Values("20100411_Geko_Regensburg.txt", "20100403_Z205_Switzerland.txt",
                                           "Gpx-full-sample.gpx", "sbn-v13.gpx"));

}  // namespace
}  // namespace trezik::drive
