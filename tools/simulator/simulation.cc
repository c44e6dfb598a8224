#include "tools/simulator/simulation.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/convert.h"
#include "core/item_reader.h"
#include "core/settings_reader.h"
#include "platform/emulation.h"
#include "plugin/pwextension.h"
#include "plugin/startup.h"
#include "state/form1.h"
#include "host/host.h"
#include "tools/simulator/atomic_file.h"
#include "tools/simulator/civil_time.h"
#include "tools/simulator/log_files.h"
#include "trip/distance.h"
#include "trip/units.h"
#include "trip/wgs84.h"

namespace trezik::drive {

namespace {

// A double has at most 1074 decimal places, so labels rounded to as many
// show every meter exactly as the plug-in holds it.
constexpr char kEveryDecimalPlace[] = "1074";

std::string LabelOrError(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Error& error) {
    return std::string("error: ") + ErrorKindName(error.kind());
  }
}

std::string Join(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

// Half a unit of the last place a label shows ("24.03": 0.005; "1.5E-05":
// 0.0000005): a label rounded from a meter lies at most this far from it.
double HalfUnitOfLastPlace(const std::string& label, char decimal_mark) {
  const std::size_t exponent_at = label.find_first_of("Ee");
  const std::string mantissa = label.substr(0, exponent_at);
  const std::size_t mark_at = mantissa.find(decimal_mark);
  int place = mark_at == std::string::npos ? 0 : -static_cast<int>(mantissa.size() - mark_at - 1);
  if (exponent_at != std::string::npos) place += std::stoi(label.substr(exponent_at + 1));
  return 0.5 * std::pow(10.0, place);
}

// Nautical miles of one step as the plug-in measures it with these options.
double StepNauticalMiles(const PluginOptions& options, double lat1, double lat2, double lon1, double lon2) {
  return options.wgs84 ? Wgs84NauticalMiles(lat1, lat2, lon1, lon2) : GreatCircleNauticalMiles(lat1, lat2, lon1, lon2);
}

}  // namespace

std::string PluginSettingsFile(const SimulationOptions& options) {
  std::string content;
  if (options.decimal_places) content += "decimalplaces=" + *options.decimal_places + "\r\n";
  for (const std::string& line : options.plugin_settings) content += line + "\r\n";
  return content;
}

PluginOptions ReadPluginOptions(const std::string& trezik_ini, char decimal_mark) {
  // The plug-in's own item reader and option rules, as at its start-up.
  TripOptions trip;
  int autosave_seconds = 0;
  try {
    ItemReader reader(trezik_ini.substr(0, kSettingsReadLimit));
    while (!reader.AtEnd()) ApplyOption(SplitSettingsItem(reader.Next()), decimal_mark, trip, autosave_seconds);
  } catch (const Error&) {
  }
  return {trip.minspeed, trip.calibration, trip.wgs84, autosave_seconds};
}

double SpeedInUserUnit(double metres_per_second, bool metric_units) {
  const double kmh = metres_per_second * 3.6;
  return metric_units ? kmh : kmh / kKilometresPerStatuteMile;
}

Labels ReadLabels(PWExtension& plugin) {
  Labels labels;
  auto label = [&](const char* name) {
    return LabelOrError([&] { return plugin.ReturnLabel(name, ""); });
  };
  labels.tripmeter = label("tripmeter");
  labels.triptotal = label("triptotal");
  labels.workmeter = label("workmeter");
  labels.avspeed = label("avspeed");
  labels.maxspeed = label("maxspeed");
  labels.mpg = label("mpg");
  labels.costperdist = label("trezik_costperdist");
  labels.distunit = label("trezik_distunit");
  labels.speedunits = label("speedunits");
  labels.consumpunits = label("consumpunits");
  labels.workrec = LabelOrError([&] { return plugin.ReturnIndicator("workrec"); });
  return labels;
}

std::string Simulation::CoordinateText(double degrees, char decimal_mark) {
  // Seven decimals (about a centimetre), as a receiver reports them.
  return DoubleToText(RoundHalfEven(degrees, 7), decimal_mark);
}

std::string Simulation::SpeedText(double metres_per_second, bool metric_units, char decimal_mark) {
  const double speed = RoundHalfEven(SpeedInUserUnit(metres_per_second, metric_units), 1);
  return DoubleToText(speed, decimal_mark) + (metric_units ? " km/h" : " mph");
}

// The plug-in in an emulated desktop of its own, with the host's window: the
// host application for one run. The desktop's clock stands one second before
// the first fix, so that the first tick brings the fix of drive second 0.
class Simulation::Session {
 public:
  Session(const SimulationOptions& options, double first_fix_time, const std::string& host_folder,
          const std::string& plugin_folder)
      : use_(platform_), decimal_mark_(options.decimal_mark) {
    const CivilTime start =
        SplitEpochSeconds(first_fix_time + options.utc_offset_hours * 3600.0 - 1.0);
    platform_.SetLocalTime(start.date.year, start.date.month, start.date.day, start.seconds_of_day);
    platform_.set_decimal_mark(options.decimal_mark);
    platform_.set_module_folder(std::filesystem::absolute(plugin_folder).string());
    pwpath_ = ToWindowsFolder(std::filesystem::absolute(host_folder).string());
    host_.emplace(platform_, pwpath_);
  }
  // Whatever happens, the thread's Form1 goes before the platform does.
  ~Session() { Release(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& pwpath() const { return pwpath_; }
  host::Host& host() { return *host_; }
  PWExtension& plugin() { return *plugin_; }

  void Create() {
    try {
      plugin_.emplace();
    } catch (const Error& error) {
      throw SimulationError(std::string("the plug-in's start-up failed: ") +
                            ErrorKindName(error.kind()) + " (" + error.what() + ")");
    }
  }
  // One simulated second: the clock moves 1000 ms and Timer1 ticks once.
  void Tick() { platform_.PumpMessagesFor(1000); }
  CommandOutcome Command(const std::string& command) {
    CommandOutcome outcome{command, std::nullopt, ""};
    try {
      outcome.code = plugin_->ProcessCommand(command);
    } catch (const Error& error) {
      outcome.error_kind = ErrorKindName(error.kind());
    }
    return outcome;
  }
  std::string Label(const char* name) {
    return LabelOrError([&] { return plugin_->ReturnLabel(name, ""); });
  }
  std::string Indicator(const char* name) {
    return LabelOrError([&] { return plugin_->ReturnIndicator(name); });
  }
  // A label's number, or nothing when it shows none.
  std::optional<double> LabelValue(const char* name) {
    try {
      return TextToDouble(Label(name), decimal_mark_);
    } catch (const Error&) {
      return std::nullopt;
    }
  }
  // Releases the plug-in; the unload saves "tripmeter.ini".
  void Release() {
    plugin_.reset();
    Form1::Unload();
  }

 private:
  EmulatedPlatform platform_;
  ScopedPlatform use_;
  char decimal_mark_;
  std::string pwpath_;
  std::optional<host::Host> host_;
  std::optional<PWExtension> plugin_;
};

struct Simulation::Folders {
  std::string host, plugin;
  // The meter run's, in a folder of its own under the system's temporary
  // folder, removed with this object.
  std::string meter_root, meter_host, meter_plugin;

  Folders() = default;
  Folders(const Folders&) = delete;
  Folders& operator=(const Folders&) = delete;
  ~Folders() {
    if (meter_root.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(meter_root, ignored);
  }
};

// The meters as the meter run's labels showed them (nothing where a label
// showed no number).
struct Simulation::MeterRun {
  using Meters = MeterReading;
  // A meter packed into a double for long drives: NaN where it is no number.
  static double Packed(const std::optional<double>& value) { return value.value_or(std::nan("")); }
  static std::optional<double> Value(double packed) {
    return std::isnan(packed) ? std::nullopt : std::optional<double>(packed);
  }
  // Per tick, the trip meter before it. The meters after it go straight
  // into the run's tick records (packed), which the run completes.
  std::vector<double> trip_before;
  Meters after_end;                       // after the end steps
  std::optional<std::string> state_file;  // its "tripmeter.ini" at the end
};

Simulation::Simulation(const Drive& drive, const Script& script, SimulationOptions options)
    : drive_(drive), script_(script), options_(std::move(options)), timeline_(drive, options_.timeline) {}

SimulationResult Simulation::Run() {
  SimulationResult result;
  Folders folders;
  SetUp(folders, result);
  result.plugin_options =
      ReadPluginOptions(FileContent(result.trezik_ini).value_or(""), options_.decimal_mark);
  // A start-up that fails is reported from the run itself, below.
  std::optional<MeterRun> meters;
  std::string meter_failure;
  try {
    meters = MeasureMeters(folders, result.ticks);
  } catch (const SimulationError& error) {
    meter_failure = error.what();
  }

  const Clock::time_point wall_start = Clock::now();
  Session session(options_, drive_.start_time(), folders.host, folders.plugin);
  Start(session, result);
  if (!meters) throw SimulationError("the meter run failed: " + meter_failure);
  const MeterReading arrival = TickLoop(session, *meters, wall_start, result);
  End(session, *meters, arrival, result);
  result.wall_seconds = std::chrono::duration<double>(Clock::now() - wall_start).count();
  return result;
}

void Simulation::SetUp(Folders& folders, SimulationResult& result) const {
  folders.host = Join(options_.folder, "host");
  folders.plugin = Join(options_.folder, "plugin");
  result.pw_ini = Join(folders.host, "pw.ini");
  result.trezik_ini = Join(folders.plugin, "trezik.ini");
  result.tripmeter_ini = Join(folders.plugin, "tripmeter.ini");
  result.tripmeter_log = Join(folders.plugin, "tripmeter.log");
  result.fuel_log = Join(folders.plugin, "fuel.log");
  const std::string pw_ini = std::string("[PathWarden]\r\nisunits=") +
                             (options_.metric_units ? "True" : "False") + "\r\n";

  // The folders as the host and the plug-in's installation would have them.
  try {
    MakeFolders(folders.host);
    MakeFolders(folders.plugin);
    WriteFileWhole(result.pw_ini, pw_ini);
    if (const std::string settings = PluginSettingsFile(options_); !settings.empty()) {
      WriteFileWhole(result.trezik_ini, settings);
    } else {
      std::filesystem::remove(result.trezik_ini);
    }
    if (!options_.keep_state) {
      for (const std::string& path : {result.tripmeter_ini, result.tripmeter_log, result.fuel_log}) {
        std::filesystem::remove(path);
      }
    }
    for (const ScriptStep* step : script_.DueAt(ScriptStep::kBefore)) {
      WriteFileWhole(result.tripmeter_ini, step->commands[0] + "\r\n" + step->commands[1] + "\r\n");
    }
  } catch (const std::exception& error) {
    throw SimulationError(error.what());
  }

  // The meter run's: the same host settings, plug-in settings and starting
  // meters, with a last "decimalplaces" (the last one read counts) that asks
  // for labels with every decimal place.
  try {
    const std::filesystem::path root = MakeTemporaryFolder("trezik-drive-meters-");
    folders.meter_root = root.string();
    folders.meter_host = (root / "host").string();
    folders.meter_plugin = (root / "plugin").string();
    MakeFolders(folders.meter_host);
    MakeFolders(folders.meter_plugin);
    WriteFileWhole(Join(folders.meter_host, "pw.ini"), pw_ini);
    std::string settings = FileContent(result.trezik_ini).value_or("");
    if (!settings.empty() && settings.back() != '\n') settings += "\r\n";
    WriteFileWhole(Join(folders.meter_plugin, "trezik.ini"),
                   settings + "decimalplaces=" + kEveryDecimalPlace + "\r\n");
    if (const auto state = FileContent(result.tripmeter_ini)) {
      WriteFileWhole(Join(folders.meter_plugin, "tripmeter.ini"), *state);
    }
  } catch (const std::exception& error) {
    throw SimulationError(std::string("cannot prepare the meter run: ") + error.what());
  }
}

Simulation::MeterRun Simulation::MeasureMeters(const Folders& folders, std::vector<TickRecord>& ticks) const {
  MeterRun meters;
  Session session(options_, drive_.start_time(), folders.meter_host, folders.meter_plugin);
  auto read = [&] {
    return MeterRun::Meters{session.LabelValue("tripmeter"), session.LabelValue("triptotal"),
                            session.LabelValue("workmeter")};
  };
  session.host().SetRoad(options_.road);
  SetFix(session, 0, nullptr);
  session.Create();
  RunSteps(session, ScriptStep::kStart, -1, nullptr);
  const int last = timeline_.last_second();
  meters.trip_before.reserve(last + 1);
  ticks.reserve(last + 1);
  for (int second = 0; second <= last; ++second) {
    if (second > 0) SetFix(session, second, nullptr);
    meters.trip_before.push_back(MeterRun::Packed(session.LabelValue("tripmeter")));
    session.Tick();
    const MeterRun::Meters after = read();
    ticks.push_back({second, false, 0.0, MeterRun::Packed(after.trip), MeterRun::Packed(after.total),
                     MeterRun::Packed(after.work)});
    RunSteps(session, second, second, nullptr);
  }
  RunSteps(session, ScriptStep::kEnd, last, nullptr);
  meters.after_end = read();
  session.Release();
  meters.state_file = FileContent(Join(folders.meter_plugin, "tripmeter.ini"));
  return meters;
}

void Simulation::Start(Session& session, SimulationResult& result) const {
  Notify([&](SimulationObserver& o) { o.OnSetUp(*this, session.pwpath()); });
  session.host().SetRoad(options_.road);
  Notify([&](SimulationObserver& o) { o.OnRoad(options_.road); });
  // One of each a tick: sized once, without the slack of growing.
  const auto ticks = static_cast<std::size_t>(timeline_.last_second()) + 1;
  for (std::vector<double>* each : {&result.latitudes, &result.longitudes, &result.counted}) each->reserve(ticks);
  result.step_origins.reserve(ticks);
  SetFix(session, 0, &result);
  session.Create();
  Notify([](SimulationObserver& o) { o.OnCreate(); });

  // Kilometres per distance unit, by the unit the plug-in shows.
  const std::string unit = session.Label("trezik_distunit");
  if (unit == "Km") {
    result.multiplier = 1.0;
  } else if (unit == "Mi") {
    result.multiplier = kKilometresPerMile;
  } else {
    throw SimulationError("the plug-in shows distances in \"" + unit + "\", neither Km nor Mi");
  }
}

void Simulation::SetFix(Session& session, int second, SimulationResult* shown) const {
  const Position p = timeline_.At(second);
  const char mark = options_.decimal_mark;
  const std::string lat = CoordinateText(p.latitude, mark);
  const std::string lon = CoordinateText(p.longitude, mark);
  const std::string speed = SpeedText(p.speed_mps, options_.metric_units, mark);
  session.host().SetFix(lat, lon, speed);
  if (shown == nullptr) return;
  Notify([&](SimulationObserver& o) { o.OnFix(lat, lon, speed); });
  shown->latitudes.push_back(TextToDouble(lat, mark));
  shown->longitudes.push_back(TextToDouble(lon, mark));
}

void Simulation::RunSteps(Session& session, int when, int shown_second, SimulationResult* shown) const {
  auto record = [&](const std::string& text, bool failed) {
    const Event event{shown_second, text, failed};
    shown->events.push_back(event);
    Notify([&](SimulationObserver& o) { o.OnEvent(event); });
  };
  for (const ScriptStep* step : script_.DueAt(when)) {
    if (step->kind == ScriptStep::Kind::kRoad) {
      const std::string& road = step->commands[0];
      session.host().SetRoad(road);
      if (shown != nullptr) {
        Notify([&](SimulationObserver& o) { o.OnRoad(road); });
        record("road " + road, false);
      }
      continue;
    }
    if (step->kind == ScriptStep::Kind::kState) continue;
    // What the plug-in appends to its logs during the step.
    std::uintmax_t fuel_size = 0, trip_size = 0;
    if (shown != nullptr) {
      fuel_size = FileSizeOrZero(shown->fuel_log);
      trip_size = FileSizeOrZero(shown->tripmeter_log);
    }
    std::string outcome;
    bool failed = false;
    for (const std::string& command : step->commands) {
      const CommandOutcome result = session.Command(command);
      if (shown != nullptr) Notify([&](SimulationObserver& o) { o.OnCommand(result); });
      if (!result.code) {
        failed = true;
        outcome += " " + command + " failed: " + result.error_kind;
      } else if (*result.code == 0) {
        failed = true;
        outcome += " " + command + " -> 0 (not a command)";
      }
    }
    if (shown == nullptr) continue;
    bool logged = false;
    for (std::string& record : NewRecords(shown->fuel_log, fuel_size)) {
      const std::vector<std::string> fields = LogRecordFields(record);
      shown->fill_ups.push_back({shown_second, fields.size() > 2 ? fields[2] : "", fields.size() > 5 ? fields[5] : "",
                                 std::move(record), ""});
      logged = true;
    }
    for (std::string& record : NewRecords(shown->tripmeter_log, trip_size)) {
      shown->trip_records.push_back({shown_second, std::move(record)});
    }
    const bool keyed_ok = std::any_of(step->commands.begin(), step->commands.end(),
                                      [](const std::string& command) { return ToLowerAscii(command) == "trezik_ok"; });
    if (keyed_ok && !logged) {
      shown->fill_ups.push_back({shown_second, step->fill_up_quantity, step->fill_up_price, "",
                                 failed ? outcome.substr(1) : "no fuel.log record"});
    }
    // The step as written, without its time.
    std::string text = step->source.substr(step->source.find_first_of(" \t"));
    text = text.substr(text.find_first_not_of(" \t"));
    record(text + (failed ? ":" + outcome : ""), failed);
  }
}

Simulation::MeterReading Simulation::TickLoop(Session& session, const MeterRun& meters, Clock::time_point wall_start,
                                              SimulationResult& result) const {
  const int last = timeline_.last_second();
  Notify([&](SimulationObserver& o) { o.OnStart(last); });
  RunSteps(session, ScriptStep::kStart, -1, &result);

  MeterRun::Meters arrival;
  std::size_t ticked = 0;
  int anchor = 0;  // the fix the plug-in measures the next step from
  for (int second = 0; second <= last; ++second) {
    if (second > 0) SetFix(session, second, &result);
    session.Tick();

    TickRecord& tick = result.ticks[second];  // the meter run's meters after it, packed
    const MeterRun::Meters after{MeterRun::Value(tick.trip), MeterRun::Value(tick.total), MeterRun::Value(tick.work)};
    const std::optional<double> before = MeterRun::Value(meters.trip_before[second]);
    const double counted = before && after.trip ? *after.trip - *before : 0.0;
    result.counted.push_back(counted);
    result.odometer += counted;
    // The plug-in measures the step from the fix of the last tick that the
    // standstill filter did not hold (it holds while the speed the host
    // reported is below "minspeed").
    const PluginOptions& plugin = result.plugin_options;
    const bool held = plugin.minspeed > 0 &&
                      RoundHalfEven(SpeedInUserUnit(timeline_.At(second).speed_mps, options_.metric_units), 1) <
                          plugin.minspeed;
    const int origin = second == 0 || held ? -1 : anchor;
    result.step_origins.push_back(origin);
    if (!held) anchor = second;
    // The trip meter did not move although a step was measured: a step the
    // 2-unit bound dropped, as long as the plug-in's own measure of it (the
    // sphere, or WGS84 with distance=wgs84; the bound applies before the
    // calibration), which it shows nowhere, reaches the bound.
    if (origin >= 0 && counted == 0.0) {
      try {
        const double step = StepNauticalMiles(plugin, result.latitudes[origin], result.latitudes[second],
                                              result.longitudes[origin], result.longitudes[second]) *
                            kKilometresPerNauticalMile / result.multiplier;
        if (step >= kStepBound) result.dropped.push_back({second, step});
      } catch (const Error&) {
      }
    }

    tick.speed = SpeedInUserUnit(timeline_.At(second).speed_mps, options_.metric_units);
    tick.trip = after.trip.value_or(0.0);
    tick.total = after.total.value_or(0.0);
    tick.work = after.work.value_or(0.0);
    tick.work_on = session.Indicator("workrec") == "True";
    arrival = after;
    ticked = static_cast<std::size_t>(second) + 1;
    Notify([&](SimulationObserver& o) { o.OnTick(tick, [&] { return ReadLabels(session.plugin()); }); });

    RunSteps(session, second, second, &result);
    auto interrupted = [&] { return options_.interrupt != nullptr && options_.interrupt->load(); };
    if (options_.realtime_factor > 0) {
      // In slices, so that an interruption is heard within a tenth of a second.
      const Clock::time_point due =
          wall_start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>((second + 1) / options_.realtime_factor));
      while (!interrupted() && Clock::now() < due) {
        std::this_thread::sleep_until(std::min(due, Clock::now() + std::chrono::milliseconds(100)));
      }
    }
    if (interrupted() && second < last) {
      result.interrupted_after = second;
      break;
    }
  }
  result.ticks.resize(ticked);  // the ticks the run did
  return arrival;
}

Labels Simulation::ShowLabels(Session& session) const {
  const Labels labels = ReadLabels(session.plugin());
  Notify([&](SimulationObserver& o) { o.OnLabelsShown(labels); });
  return labels;
}

void Simulation::End(Session& session, const MeterRun& meters, const MeterReading& arrival,
                     SimulationResult& result) const {
  // An interrupted run has not arrived: no "end" steps.
  const bool interrupted = result.interrupted_after.has_value();
  result.arrival_labels = ShowLabels(session);
  if (!interrupted) RunSteps(session, ScriptStep::kEnd, timeline_.last_second(), &result);
  result.final_labels = interrupted ? result.arrival_labels : ShowLabels(session);
  result.exits = session.host().exits();
  result.host_messages = session.host().messages();
  Notify([](SimulationObserver& o) { o.OnRelease(); });
  session.Release();

  // The meter run must have kept the run's own meters. It drove to the end,
  // so an interrupted run is held to its labels of the last tick only.
  const std::optional<std::string> state = FileContent(result.tripmeter_ini);
  if (!interrupted && state != meters.state_file) {
    throw SimulationError("the meter run disagrees with the run: its tripmeter.ini holds \"" +
                          meters.state_file.value_or("(none)") + "\", the run's \"" +
                          state.value_or("(none)") + "\"");
  }
  auto agree = [&](const char* name, const std::string& label, const std::optional<double>& meter) {
    std::optional<double> shown;
    try {
      shown = TextToDouble(label, options_.decimal_mark);
    } catch (const Error&) {
    }
    const bool close =
        shown && meter &&
        std::fabs(*shown - *meter) <=
            HalfUnitOfLastPlace(label, options_.decimal_mark) + 1e-12 * std::fabs(*meter);
    if (shown.has_value() != meter.has_value() || (shown && !close)) {
      throw SimulationError(std::string("the meter run disagrees with the run: \"") + name +
                            "\" shows " + label + ", the meter run's " +
                            (meter ? DoubleToText(*meter, options_.decimal_mark) : "no number"));
    }
  };
  const MeterRun::Meters& end = interrupted ? arrival : meters.after_end;
  for (const auto& [labels, reading] : {std::pair{&result.arrival_labels, &arrival},
                                        std::pair{&result.final_labels, &end}}) {
    agree("tripmeter", labels->tripmeter, reading->trip);
    agree("triptotal", labels->triptotal, reading->total);
    agree("workmeter", labels->workmeter, reading->work);
  }
}

}  // namespace trezik::drive
