// The whole of trezik-drive behind its command line, so that tests can run it.
#include "tools/simulator/cli.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tools/report/report.h"
#include "tools/simulator/accuracy.h"
#include "tools/common/atomic_file.h"
#include "tools/simulator/chart_svg.h"
#include "tools/simulator/command_line.h"
#include "tools/simulator/display.h"
#include "tools/tracks/drive.h"
#include "tools/tracks/read_drive.h"
#include "tools/simulator/plugin_settings.h"
#include "tools/simulator/scenario.h"
#include "tools/simulator/skin_script.h"
#include "tools/simulator/summary.h"
#include "tools/simulator/run_summary.h"
#include "tools/simulator/text_width.h"

namespace trezik::drive {
namespace {

constexpr char kName[] = "trezik-drive: ";

// The drive and the script, read and checked before anything is written.
struct Input {
  Drive drive;
  Script script;
};

// The fixes up to the last drive second ticked: the drive itself when it
// ran to the end, else a copy cut there.
const Drive& DrivenPart(const Drive& drive, const SimulationResult& result, Drive& cut) {
  if (!result.interrupted_after) return drive;
  cut = drive;
  const double until = drive.start_time() + *result.interrupted_after;
  std::erase_if(cut.fixes, [&](const Fix& fix) { return fix.time > until; });
  return cut;
}

}  // namespace

int RunTrezikDrive(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& default_drive_folder, const Console& console) {
  CommandLine line;
  try {
    line = ParseCommandLine(arguments);
  } catch (const UsageError& error) {
    err << kName << error.what() << "; see --help\n";
    return kExitUsage;
  }
  if (line.help) {
    out << UsageText();
    return kExitRun;
  }
  if (line.version) {
    out << VersionText();
    return kExitRun;
  }
  if (line.drive_path.empty()) {
    line.drive_path = default_drive_folder + "/default_drive.gpx";
    if (line.script_path.empty()) line.script_path = default_drive_folder + "/default_drive.script";
  }

  // Everything is read and checked before anything is written.
  Input input;
  try {
    input.drive = ReadDrive(line.drive_path, line.reading);
    input.script = line.script_path.empty() ? DefaultScript()
                                            : ParseScript(ReadWholeFile(line.script_path), line.script_path);
  } catch (const std::exception& error) {
    err << kName << error.what() << "\n";
    return kExitUsage;
  }
  const Drive& drive = input.drive;
  const Script& script = input.script;
  // Without --utc-offset the plug-in's clock is the log's own local time,
  // when its times carry an offset.
  if (line.simulation.clock_source != SimulationOptions::ClockSource::kOption && drive.utc_offset_hours) {
    line.simulation.utc_offset_hours = *drive.utc_offset_hours;
    line.simulation.clock_source = SimulationOptions::ClockSource::kLog;
  }
  if (line.simulation.keep_state) {
    for (const ScriptStep* step : script.DueAt(ScriptStep::kBefore)) {
      err << kName << "--keep-state keeps the meters of the run before, and " << script.path << ":" << step->line
          << " \"" << step->source << "\" sets them; give one of the two; see --help\n";
      return kExitUsage;
    }
  }
  line.simulation.interrupt = console.interrupt;
  Simulation simulation(drive, script, line.simulation);
  const int last = simulation.timeline().last_second();
  for (const ScriptStep& step : script.steps) {
    if (step.second > last) {
      err << kName << script.path << ":" << step.line << ": " << DriveClock(step.second)
          << " lies after the end of the drive (" << DriveClock(last) << ")\n";
      return kExitUsage;
    }
  }

  const bool live = !line.plain && console.terminal;
  Display display(out, live, line.every_s, console.columns);
  simulation.add_observer(&display);
  std::ostringstream scenario, transcript;
  ScenarioWriter scenario_writer(scenario, transcript);
  if (!line.scenario_path.empty()) simulation.add_observer(&scenario_writer);
  if (live) {
    // Within the terminal's width: the paths shortened from their start,
    // the drive's first, so that the ends that name them stay.
    const int columns = (console.columns ? console.columns() : 80) - 1;
    const std::string& folder = line.simulation.folder;
    const int room = std::max(2, columns - Columns(std::string(kName) + " -> "));
    const int folder_room = std::max(room / 2, room - Columns(drive.path));
    const std::string shown_folder = KeepEnd(folder, folder_room);
    const std::string shown_drive = KeepEnd(drive.path, std::max(1, room - Columns(shown_folder)));
    out << Cut(kName + shown_drive + " -> " + shown_folder, columns) << "\n";
  } else {
    out << FitWidth(kName + drive.path + " -> " + line.simulation.folder, console.columns ? console.columns() : 80)
        << "\n";
  }

  SimulationResult result;
  try {
    result = simulation.Run();
  } catch (const std::exception& error) {
    display.Finish();
    err << kName << error.what() << "\n";
    return kExitFailed;
  }
  display.Finish();

  SummaryInput summary;
  summary.width = std::min(80, console.columns ? console.columns() : 80);
  summary.details = line.details;
  summary.imperial = !line.simulation.metric_units;
  summary.drive = &drive;
  summary.script = &script;
  summary.simulation = &simulation;
  summary.result = &result;
  Drive cut;
  const Drive& driven = DrivenPart(drive, result, cut);
  const Accuracy accuracy = MeasureAccuracy(driven, result, &simulation.timeline());
  summary.accuracy = &accuracy;
  const SettingsCheck settings = CheckPluginSettings(PluginSettingsFile(line.simulation),
                                                     line.simulation.decimal_mark, line.simulation.metric_units);
  summary.settings = DescribeSettings(settings);
  if (line.odometer_km) {
    summary.odometer = DescribeOdometer(*line.odometer_km, result.odometer * result.multiplier, settings.calibration);
  }
  const std::filesystem::path folder = line.simulation.folder;
  try {
    if (line.chart) {
      const ChartText text = ChartTextFor(drive, simulation.timeline(), line.simulation, result);
      const std::string chart = (folder / "drive.svg").string();
      tools::WriteFileWhole(chart, DrawChartSvg(result, text));
      summary.outputs.push_back(chart);
    }
    if (!line.scenario_path.empty()) {
      tools::WriteFileWhole(line.scenario_path, scenario.str());
      tools::WriteFileWhole(line.scenario_path + ".expected", transcript.str());
      summary.outputs.push_back(line.scenario_path);
      summary.outputs.push_back(line.scenario_path + ".expected");
    }
    // The plug-in's history in its folder (with --keep-state, of every run
    // kept), as trezik-report writes it.
    report::ReportOptions report_options;
    report_options.imperial = !line.simulation.metric_units;
    report_options.currency = line.currency;
    report_options.run_summary = RunSummaryFor(summary);
    if (line.chart) report_options.drive_chart = (folder / "drive.svg").string();
    const std::string report_folder = (folder / "report").string();
    report::WriteReport({std::filesystem::path(result.tripmeter_log).parent_path().string()}, report_folder,
                        report_options);
    summary.report_page = (folder / "report" / "report.html").string();
    const std::string summary_path = (folder / "summary.txt").string();
    summary.outputs.push_back(summary_path);
    const std::string text = WriteSummary(summary);
    tools::WriteFileWhole(summary_path, text);
    out << "\n" << text;
  } catch (const std::exception& error) {
    err << kName << error.what() << "\n";
    return kExitFailed;
  }
  return result.interrupted_after ? kExitInterrupted : kExitRun;
}

}  // namespace trezik::drive
