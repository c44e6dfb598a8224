// The whole of trezik-drive behind its command line, so that tests can run it.
#include "tools/simulator/cli.h"

#include <filesystem>
#include <sstream>

#include "tools/simulator/accuracy.h"
#include "tools/simulator/atomic_file.h"
#include "tools/simulator/chart_svg.h"
#include "tools/simulator/command_line.h"
#include "tools/simulator/display.h"
#include "tools/simulator/drive.h"
#include "tools/simulator/scenario.h"
#include "tools/simulator/skin_script.h"
#include "tools/simulator/summary.h"

namespace trezik::drive {

int RunTrezikDrive(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& default_drive_folder, bool terminal) {
  CommandLine line;
  try {
    line = ParseCommandLine(arguments);
  } catch (const std::invalid_argument& error) {
    err << "trezik-drive: " << error.what() << "\n\n" << kUsage;
    return 2;
  }
  if (line.help) {
    out << kUsage;
    return 0;
  }
  const bool default_drive = line.drive_path.empty();
  if (default_drive) {
    line.drive_path = default_drive_folder + "/default_drive.gpx";
    if (line.script_path.empty()) line.script_path = default_drive_folder + "/default_drive.script";
  }

  // Everything is read and checked before anything is written.
  Drive drive;
  Script script;
  try {
    drive = ReadDrive(line.drive_path);
    script = line.script_path.empty() ? DefaultScript()
                                      : ParseScript(ReadWholeFile(line.script_path), line.script_path);
  } catch (const std::exception& error) {
    err << "trezik-drive: " << error.what() << "\n";
    return 2;
  }
  Simulation simulation(drive, script, line.simulation);
  const int last = simulation.timeline().last_second();
  for (const ScriptStep& step : script.steps) {
    if (step.second > last) {
      err << "trezik-drive: " << script.path << ":" << step.line << ": " << DriveClock(step.second)
                << " lies after the end of the drive (" << DriveClock(last) << ")\n";
      return 2;
    }
  }

  const bool live = !line.plain && terminal;
  Display display(out, live, line.every_s);
  simulation.add_observer(&display);
  std::ostringstream scenario, transcript;
  ScenarioWriter scenario_writer(scenario, transcript);
  if (!line.scenario_path.empty()) simulation.add_observer(&scenario_writer);
  out << "trezik-drive: " << drive.path << " -> " << line.simulation.folder << "\n";

  SimulationResult result;
  try {
    result = simulation.Run();
  } catch (const std::exception& error) {
    display.Finish();
    err << "trezik-drive: " << error.what() << "\n";
    return 1;
  }
  display.Finish();

  SummaryInput summary;
  summary.drive = &drive;
  summary.script = &script;
  summary.simulation = &simulation;
  summary.result = &result;
  const Accuracy accuracy = MeasureAccuracy(drive, result);
  summary.accuracy = &accuracy;
  const std::string folder = line.simulation.folder;
  try {
    if (line.chart) {
      ChartText text;
      text.title = "trezik-drive: " + std::filesystem::path(drive.path).filename().string();
      text.distance_unit = result.final_labels.distunit;
      text.speed_unit = result.final_labels.speedunits;
      text.volume_unit = line.simulation.metric_units ? "L" : "gal";
      const std::string chart = (std::filesystem::path(folder) / "drive.svg").string();
      WriteFileWhole(chart, DrawChartSvg(result, text));
      summary.outputs.push_back(chart);
    }
    if (!line.scenario_path.empty()) {
      WriteFileWhole(line.scenario_path, scenario.str());
      WriteFileWhole(line.scenario_path + ".expected", transcript.str());
      summary.outputs.push_back(line.scenario_path);
      summary.outputs.push_back(line.scenario_path + ".expected");
    }
    const std::string summary_path = (std::filesystem::path(folder) / "summary.txt").string();
    summary.outputs.push_back(summary_path);
    const std::string text = WriteSummary(summary);
    WriteFileWhole(summary_path, text);
    out << "\n" << text;
  } catch (const std::exception& error) {
    err << "trezik-drive: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace trezik::drive
