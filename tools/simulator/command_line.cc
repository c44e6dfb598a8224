#include "tools/simulator/command_line.h"

#include <cmath>
#include <stdexcept>

#include "core/convert.h"

namespace trezik::drive {

const char kUsage[] =
    "Usage: trezik-drive [OPTION]... [DRIVE]\n"
    "Replays a recorded drive through the trezik plug-in, playing the host application\n"
    "PathWarden: the plug-in asks for a GPS fix every simulated second and the skin\n"
    "script presses its buttons. DRIVE is a GPX track or an NMEA 0183 log (RMC, GGA);\n"
    "without it the bundled default drive and its script are replayed.\n"
    "\n"
    "  -s, --script FILE       skin script (default: the default drive's own; for any\n"
    "                          other drive only \"end logtrip\")\n"
    "  -o, --out FOLDER        working folder (default: trezik-drive-run); holds host/pw.ini,\n"
    "                          plugin/ with trezik.ini, tripmeter.ini and the logs,\n"
    "                          drive.svg and summary.txt\n"
    "      --imperial          isunits=False: miles, mph and gallons (default: metric)\n"
    "      --decimals N        write trezik.ini with decimalplaces=N (default: no file, 2)\n"
    "      --road NAME         the place name the host reports until the script names one\n"
    "      --hold              hold the last fix between fixes (default: interpolate)\n"
    "      --max-gap SECONDS   longest gap to interpolate across (default: 10)\n"
    "      --realtime          run at real-time speed (default: as fast as possible)\n"
    "      --speedup FACTOR    run at FACTOR times real-time speed\n"
    "      --decimal-comma     the user's number format writes \",\" (default: \".\")\n"
    "      --utc-offset HOURS  local time = drive time (UTC) + HOURS (default: 0)\n"
    "      --keep-state        keep tripmeter.ini and the logs of an earlier run\n"
    "      --plain             plain lines even on a terminal\n"
    "      --every SECONDS     drive seconds between plain lines (default: 60)\n"
    "      --write-scenario FILE  also write the run as a scenario for the Windows test\n"
    "                          host, and what this run gave for it to FILE.expected\n"
    "      --no-chart          do not draw drive.svg\n"
    "  -h, --help              this text\n";

namespace {

double Number(const std::string& option, const std::string& text) {
  const std::optional<double> value = ParseFileNumber(text);
  if (!value) throw std::invalid_argument(option + ": '" + text + "' is not a number");
  return *value;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
      return arguments[++i];
    };
    if (option == "-h" || option == "--help") {
      line.help = true;
    } else if (option == "-s" || option == "--script") {
      line.script_path = value();
    } else if (option == "-o" || option == "--out") {
      line.simulation.folder = value();
      if (line.simulation.folder.empty()) throw std::invalid_argument("--out: the folder is empty");
    } else if (option == "--imperial") {
      line.simulation.metric_units = false;
    } else if (option == "--decimals") {
      const std::string& text = value();
      const double places = Number(option, text);
      if (places < 0 || places > 15 || places != static_cast<int>(places)) {
        throw std::invalid_argument("--decimals: '" + text + "' is not a whole number from 0 to 15");
      }
      line.simulation.decimal_places = text;
    } else if (option == "--road") {
      line.simulation.road = value();
    } else if (option == "--hold") {
      line.simulation.timeline.between = Between::kHold;
    } else if (option == "--max-gap") {
      line.simulation.timeline.max_gap_s = Number(option, value());
      if (line.simulation.timeline.max_gap_s < 0) throw std::invalid_argument("--max-gap: negative");
    } else if (option == "--realtime") {
      line.simulation.realtime_factor = 1.0;
    } else if (option == "--speedup") {
      line.simulation.realtime_factor = Number(option, value());
      if (line.simulation.realtime_factor <= 0) throw std::invalid_argument("--speedup: must be above 0");
    } else if (option == "--decimal-comma") {
      line.simulation.decimal_mark = ',';
    } else if (option == "--utc-offset") {
      line.simulation.utc_offset_hours = Number(option, value());
      if (std::abs(line.simulation.utc_offset_hours) > 14) throw std::invalid_argument("--utc-offset: beyond 14 hours");
    } else if (option == "--keep-state") {
      line.simulation.keep_state = true;
    } else if (option == "--plain") {
      line.plain = true;
    } else if (option == "--every") {
      const double every = Number(option, value());
      if (every < 1) throw std::invalid_argument("--every: at least 1 second");
      line.every_s = static_cast<int>(every);
    } else if (option == "--write-scenario") {
      line.scenario_path = value();
    } else if (option == "--no-chart") {
      line.chart = false;
    } else if (!option.empty() && option[0] == '-' && option != "-") {
      throw std::invalid_argument("unknown option " + option);
    } else if (line.drive_path.empty()) {
      line.drive_path = option;
    } else {
      throw std::invalid_argument("one drive at a time: '" + line.drive_path + "' and '" + option + "'");
    }
  }
  return line;
}

}  // namespace trezik::drive
