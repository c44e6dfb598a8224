#include "tools/simulator/drive_command_line.h"

#include <CLI/CLI.hpp>

#include "tools/common/usage_error.h"
#include "tools/common/usage_help.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/convert.h"
#include "trezik_version.h"

namespace trezik::drive {
namespace {

constexpr char kIntroduction[] =
    "Usage: trezik-drive [OPTION]... [DRIVE]\n"
    "Replays a recorded drive through the trezik plug-in, playing the host\n"
    "application PathWarden: the plug-in asks for a GPS fix every simulated second\n"
    "and the skin script presses its buttons. DRIVE is a GPX track or an NMEA 0183\n"
    "log (RMC, GGA, GLL) of at most 1 GiB, or '-' to read one from standard\n"
    "input; without it the bundled default drive and its script are replayed.\n"
    "Options may stand before or after DRIVE.\n\n";

constexpr char kExitStatus[] =
    "Exit status: 0 after a run, 1 when the run failed, 2 for a usage error or bad\n"
    "input (nothing is written then), 130 when Ctrl-C ended the run.\n";

std::string Trimmed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// A number option read with the file format's "." (as the plug-in's own
// files are), from `low` to `high`, whole when `whole`; `set` gets it.
CLI::Option* AddNumber(CLI::App& app, const std::string& names, const std::string& value_name, double low,
                       double high, bool whole, const std::string& description, std::function<void(double)> set) {
  const std::string name = names.substr(names.rfind(',') + 1);
  const std::string range = std::string(whole ? "a whole number" : "a number") + " from " + Trimmed(low) +
                            " to " + Trimmed(high);
  return app.add_option_function<std::string>(
         names,
         [=](const std::string& text) {
           const std::optional<double> value = ParseFileNumber(text);
           if (!value || *value < low || *value > high || (whole && *value != std::floor(*value))) {
             throw CLI::ValidationError(name + ": '" + text + "' is not " + range);
           }
           set(*value);
         },
         description)
      ->option_text(value_name);
}

// "KEY=VALUE" for trezik.ini: one line with a key.
std::string SettingCheck(const std::string& text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return "'" + text + "' is no KEY=VALUE";
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return "a KEY=VALUE line holds a control character";
  }
  return "";
}

// Builds the parser; `line` receives the options.
std::unique_ptr<CLI::App> MakeApp(CommandLine& line) {
  auto app = std::make_unique<CLI::App>("", "trezik-drive");
  app->formatter(std::make_shared<tools::UsageHelp>(kIntroduction, kExitStatus));
  app->set_help_flag("-h,--help", "this text");
  SimulationOptions& sim = line.simulation;
  app->add_option("DRIVE", line.drive_path, "a GPX track or an NMEA 0183 log");

  const std::string drive = "The drive";
  app->add_option("-s,--script", line.script_path,
                  "skin script (default: the default drive's own;\nfor any other drive only \"end logtrip\")")
      ->option_text("FILE")
      ->check(CLI::Validator(
          [](const std::string& text) {
            return text.empty() ? "the script's name is empty: name a skin script, or leave --script out" : "";
          },
          "FILE", "script"))
      ->group(drive);
  app->add_flag("--strict", line.reading.strict,
                "refuse the drive at its first damaged sentence or\ntrack point (default: skip and count them)")
      ->group(drive);
  app->add_flag("--keep-nofix", line.reading.keep_nofix,
                "keep GPX points marked <fix>none</fix> as fixes\n(default: leave them out, and say how far they reach)")
      ->group(drive);
  app->add_flag_callback("--hold", [&sim] { sim.timeline.between = Between::kHold; },
                         "hold the last fix between fixes\n(default: interpolate)")
      ->group(drive);
  AddNumber(*app, "--max-gap", "SECONDS", 0, 86400, false,
            "longest gap to interpolate across,\n0 to 86400 (default: 10)",
            [&sim](double value) { sim.timeline.max_gap_s = value; })
      ->group(drive);
  app->add_flag_callback("--no-fill", [&sim] { sim.timeline.fill_kmh = 0.0; },
                         "hold the last fix across every gap longer than\n--max-gap (default: fill it in along the\n"
                         "straight line when it implies at most 250 km/h)")
      ->group(drive);
  app->add_option("--road", sim.road, "the place name the host reports until the\nscript names one")
      ->option_text("NAME")
      ->group(drive);
  AddNumber(*app, "--utc-offset", "HOURS", -14, 14, false,
            "local time = drive time (UTC) + HOURS,\n-14 to 14 (default: the offset the log's\ntimes carry, else 0)",
            [&sim](double value) {
              sim.utc_offset_hours = value;
              sim.clock_source = SimulationOptions::ClockSource::kOption;
            })
      ->group(drive);

  const std::string plugin = "The host and the plug-in";
  app->add_flag_callback("--imperial", [&sim] { sim.metric_units = false; },
                         "isunits=False: miles, mph and gallons\n(default: metric)")
      ->group(plugin);
  app->add_flag_callback("--decimal-comma", [&sim] { sim.decimal_mark = ','; },
                         "the user's number format writes \",\"\n(default: \".\")")
      ->group(plugin);
  AddNumber(*app, "--decimals", "N", 0, 15, true,
            "trezik.ini gets decimalplaces=N, 0 to 15\n(default: no trezik.ini, 2 places)",
            [&sim](double value) { sim.decimal_places = Trimmed(value); })
      ->group(plugin);
  app->add_option("--option", sim.plugin_settings,
                  "a line KEY=VALUE for trezik.ini, one per use,\nrepeatable: minspeed=3, calibration=1.02,\n"
                  "distance=wgs84, autosave=30 (README\n\"Settings\"); the summary says what the plug-in\npasses over")
      ->option_text("KEY=VALUE")
      ->check(CLI::Validator(SettingCheck, "KEY=VALUE", "setting"))
      ->allow_extra_args(false)  // one pair per use: the drive after it stays the drive
      ->group(plugin);
  app->add_flag("--keep-state", sim.keep_state,
                "keep tripmeter.ini and the logs of an earlier\nrun (not with a script's \"before state\")")
      ->group(plugin);
  AddNumber(*app, "--odometer", "KM", 0.001, 1e6, false,
            "the car's odometer gave KM for this drive:\nthe summary gives the calibration to match",
            [&line](double value) { line.odometer_km = value; })
      ->group(plugin);

  const std::string running = "Running";
  CLI::Option* realtime = app->add_flag_callback("--realtime", [&sim] { sim.realtime_factor = 1.0; },
                                                 "run at real-time speed, not with --speedup\n(default: as fast as possible)");
  realtime->group(running);
  CLI::Option* speedup = AddNumber(*app, "--speedup", "FACTOR", 0.1, 10000, false,
                                   "run at FACTOR times real-time speed,\n0.1 to 10000",
                                   [&sim](double value) { sim.realtime_factor = value; });
  speedup->group(running);
  realtime->excludes(speedup);
  app->add_flag("--plain", line.plain, "plain lines even on a terminal")->group(running);
  AddNumber(*app, "--every", "SECONDS", 1, 86400, true,
            "drive seconds between plain lines,\n1 to 86400 (default: 60)",
            [&line](double value) { line.every_s = static_cast<int>(value); })
      ->group(running);

  const std::string output = "Output";
  app->add_option("-o,--out", sim.folder,
                  "working folder (default: trezik-drive-run):\nhost/pw.ini, plugin/ with trezik.ini,\n"
                  "tripmeter.ini and the logs, drive.svg,\nreport/report.html and summary.txt")
      ->option_text("FOLDER")
      ->check(CLI::Validator([](const std::string& text) { return text.empty() ? "the folder is empty" : ""; },
                             "FOLDER", "folder"))
      ->group(output);
  app->add_option("--write-scenario", line.scenario_path,
                  "also write the run as a scenario for the\nWindows test host, and what this run gave\n"
                  "for it to FILE.expected")
      ->option_text("FILE")
      ->group(output);
  app->add_flag_callback("--no-chart", [&line] { line.chart = false; }, "do not draw drive.svg")->group(output);
  app->add_option("--currency", line.currency, "the currency the report puts on amounts\n(EUR, $; default: none)")
      ->option_text("TEXT")
      ->group(output);
  app->add_flag("--details", line.details,
                "add what developers look at to the summary: ticks,\nmessages to the host, the formula's error")
      ->group(output);
  app->set_version_flag("--version", VersionText(), "the version of trezik-drive and of the plug-in");
  return app;
}

// One line for a mistake CLI11 found.
std::string Describe(const CLI::ParseError& error, const CLI::App& app, const std::string& drive) {
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::vector<std::string> extra = app.remaining();
    if (!extra.empty() && (extra[0].size() <= 1 || extra[0][0] != '-')) {
      return "one drive at a time: '" + drive + "' and '" + extra[0] + "'";
    }
  }
  return tools::DescribeUsageError(error, app);
}

}  // namespace

std::string VersionText() { return std::string("trezik-drive ") + TREZIK_VERSION_TEXT + "\n"; }

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  std::unique_ptr<CLI::App> app = MakeApp(line);
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    line.help = true;
  } catch (const CLI::CallForVersion&) {
    line.version = true;
  } catch (const CLI::ParseError& error) {
    throw tools::UsageError(Describe(error, *app, line.drive_path));
  }
  if (!line.help && !line.version && app->count("DRIVE") > 0 && line.drive_path.empty()) {
    throw tools::UsageError("the drive's name is empty: name a GPX or NMEA file, '-' for standard input, or none for the "
                     "default drive");
  }
  return line;
}

std::string UsageText() {
  CommandLine line;
  return MakeApp(line)->help();
}

}  // namespace trezik::drive
