#include "tools/simulator/simulation.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/emulation.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/pwextension.h"
#include "tools/simulator/atomic_file.h"
#include "tools/simulator/civil_time.h"
#include "tools/simulator/host_standin.h"
#include "trip/distance.h"

namespace trezik::drive {

namespace {

constexpr double kKilometresPerMile = 1.609344;
constexpr double kKilometresPerNauticalMile = 1.852;

std::string LabelOrError(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Error& error) {
    return std::string("error: ") + ErrorKindName(error.kind());
  }
}

// The number a meter text holds, or nothing when it holds none.
std::optional<double> MeterValue(const Form1& form, const std::string& text) {
  try {
    return form.Number(text);
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::string Join(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace

double SpeedInUserUnit(double metres_per_second, bool metric_units) {
  const double kmh = metres_per_second * 3.6;
  return metric_units ? kmh : kmh / kKilometresPerMile;
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

Simulation::Simulation(const Drive& drive, const Script& script, SimulationOptions options)
    : drive_(drive), script_(script), options_(std::move(options)), timeline_(drive, options_.timeline) {}

SimulationResult Simulation::Run() {
  const auto wall_start = std::chrono::steady_clock::now();
  SimulationResult result;
  const std::string host_folder = Join(options_.folder, "host");
  const std::string plugin_folder = Join(options_.folder, "plugin");
  result.pw_ini = Join(host_folder, "pw.ini");
  result.trezik_ini = Join(plugin_folder, "trezik.ini");
  result.tripmeter_ini = Join(plugin_folder, "tripmeter.ini");
  result.tripmeter_log = Join(plugin_folder, "tripmeter.log");
  result.fuel_log = Join(plugin_folder, "fuel.log");

  // The folders as the host and the plug-in's installation would have them.
  try {
    MakeFolders(host_folder);
    MakeFolders(plugin_folder);
    WriteFileWhole(result.pw_ini, std::string("[PathWarden]\r\nisunits=") +
                                      (options_.metric_units ? "True" : "False") + "\r\n");
    if (options_.decimal_places) {
      WriteFileWhole(result.trezik_ini, "decimalplaces=" + *options_.decimal_places + "\r\n");
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

  EmulatedPlatform platform;
  ScopedPlatform use(platform);
  // The plug-in starts one second before the first fix, so that the first
  // tick brings the fix of drive second 0.
  const CivilTime start =
      SplitEpochSeconds(drive_.start_time() + options_.utc_offset_hours * 3600.0 - 1.0);
  platform.SetLocalTime(start.date.year, start.date.month, start.date.day, start.seconds_of_day);
  platform.set_decimal_mark(options_.decimal_mark);
  platform.set_module_folder(std::filesystem::absolute(plugin_folder).string());

  const std::string pwpath = ToWindowsFolder(std::filesystem::absolute(host_folder).string());
  HostStandIn host(platform, pwpath);
  auto say = [&](const std::string& line) {
    if (scenario_ != nullptr) *scenario_ << line << "\n";
  };
  auto note = [&](const std::string& line) {
    if (transcript_ != nullptr) *transcript_ << line << "\n";
  };
  say("# trezik-drive scenario: " + drive_.path + (script_.path.empty() ? "" : ", script " + script_.path));
  // The files the plug-in finds at start-up, for whoever replays this.
  say(std::string("# trezik-drive setup: pw.ini isunits=") + (options_.metric_units ? "True" : "False"));
  if (options_.decimal_places) say("# trezik-drive setup: trezik.ini decimalplaces=" + *options_.decimal_places);
  for (const ScriptStep* step : script_.DueAt(ScriptStep::kBefore)) {
    say("# trezik-drive setup: tripmeter.ini " + step->commands[0] + " " + step->commands[1]);
  }
  say("pwpath " + pwpath);
  std::string road = options_.road;
  host.SetRoad(road);
  say("road " + road);

  const char mark = options_.decimal_mark;
  const bool metric = options_.metric_units;
  auto set_fix = [&](int second) {
    const Position p = timeline_.At(second);
    const std::string lat = CoordinateText(p.latitude, mark);
    const std::string lon = CoordinateText(p.longitude, mark);
    const std::string speed = SpeedText(p.speed_mps, metric, mark);
    host.SetFix(lat, lon, speed);
    say("fix " + lat + " " + lon + " " + speed);
    return std::pair{TextToDouble(lat, mark), TextToDouble(lon, mark)};
  };

  // Whatever happens, the thread's Form1 goes before the platform does.
  struct UnloadAtExit {
    ~UnloadAtExit() { Form1::Unload(); }
  } unload_at_exit;
  std::optional<PWExtension> plugin;
  const auto first_fix = set_fix(0);
  try {
    say("create");
    plugin.emplace();
  } catch (const Error& error) {
    throw SimulationError(std::string("the plug-in's start-up failed: ") + ErrorKindName(error.kind()) +
                          " (" + error.what() + ")");
  }
  Form1& form = Form1::Get();
  result.multiplier = form.multiplier;

  auto record = [&](int second, const std::string& text, bool failed) {
    Event event{second, text, failed};
    result.events.push_back(event);
    if (observer_ != nullptr) observer_->OnEvent(event);
  };
  auto run_steps = [&](int when, int shown_second) {
    for (const ScriptStep* step : script_.DueAt(when)) {
      if (step->kind == ScriptStep::Kind::kRoad) {
        road = step->commands[0];
        host.SetRoad(road);
        say("road " + road);
        record(shown_second, "road " + road, false);
        continue;
      }
      if (step->kind == ScriptStep::Kind::kState) continue;
      std::string outcome;
      bool failed = false;
      for (const std::string& command : step->commands) {
        say("command " + command);
        try {
          const int code = plugin->ProcessCommand(command);
          note("command " + command + " -> " + std::to_string(code));
          if (code == 0) {
            failed = true;
            outcome += " " + command + " -> 0 (not a command)";
          }
        } catch (const Error& error) {
          note("command " + command + " -> error " + ErrorKindName(error.kind()));
          failed = true;
          outcome += " " + command + " failed: " + ErrorKindName(error.kind());
        }
      }
      if (!step->fill_up_quantity.empty()) {
        result.fill_ups.push_back({shown_second, step->fill_up_quantity, step->fill_up_price});
      }
      // The step as written, without its time.
      std::string text = step->source.substr(step->source.find_first_of(" \t"));
      text = text.substr(text.find_first_not_of(" \t"));
      record(shown_second, text + (failed ? ":" + outcome : ""), failed);
    }
  };

  const int last = timeline_.last_second();
  if (observer_ != nullptr) observer_->OnStart(last);
  run_steps(ScriptStep::kStart, -1);

  const double multiplier = form.multiplier;
  std::pair<double, double> previous{0, 0};
  bool have_previous = false;
  result.ticks.reserve(last + 1);
  for (int second = 0; second <= last; ++second) {
    const auto position = second == 0 ? first_fix : set_fix(second);
    result.latitudes.push_back(position.first);
    result.longitudes.push_back(position.second);
    const std::optional<double> before = MeterValue(form, form.distance);
    say("tick");
    platform.PumpMessagesFor(1000);
    const std::optional<double> after = MeterValue(form, form.distance);
    const double counted = before && after ? *after - *before : 0.0;
    result.counted.push_back(counted);
    result.odometer += counted;

    // A step the plug-in measured but did not count: the 2-unit bound.
    if (have_previous && counted == 0.0) {
      try {
        const double step = GreatCircleNauticalMiles(previous.first, position.first, previous.second,
                                                     position.second) *
                            kKilometresPerNauticalMile / multiplier;
        if (step >= 2.0) result.dropped.push_back({second, step});
      } catch (const Error&) {
      }
    }
    previous = position;
    have_previous = true;

    TickRecord tick;
    tick.second = second;
    tick.speed = SpeedInUserUnit(timeline_.At(second).speed_mps, metric);
    tick.trip = MeterValue(form, form.distance).value_or(0.0);
    tick.total = MeterValue(form, form.trip_total).value_or(0.0);
    tick.work = MeterValue(form, form.workmeter).value_or(0.0);
    tick.work_on = form.workbool;
    result.ticks.push_back(tick);
    if (observer_ != nullptr) observer_->OnTick(tick, [&] { return ReadLabels(*plugin); });

    run_steps(second, second);
    if (options_.realtime_factor > 0) {
      std::this_thread::sleep_until(
          wall_start + std::chrono::duration<double>((second + 1) / options_.realtime_factor));
    }
  }
  // The skin's labels at arrival and after the end steps, also for the
  // scenario. "avspeed" is left out there: it depends on the clock.
  auto show = [&] {
    const Labels labels = ReadLabels(*plugin);
    const std::pair<const char*, const std::string*> shown[] = {
        {"tripmeter", &labels.tripmeter}, {"triptotal", &labels.triptotal}, {"workmeter", &labels.workmeter},
        {"maxspeed", &labels.maxspeed},   {"mpg", &labels.mpg},             {"trezik_costperdist", &labels.costperdist}};
    for (const auto& [name, text] : shown) {
      say(std::string("label ") + name);
      note(std::string("label ") + name + " -> " + *text);
    }
    say("indicator workrec");
    note("indicator workrec -> " + labels.workrec);
    return labels;
  };
  result.arrival_labels = show();
  run_steps(ScriptStep::kEnd, last);
  result.final_labels = show();
  result.exits = host.exits();
  result.host_messages = host.messages();
  say("release");
  plugin.reset();
  Form1::Unload();  // saves tripmeter.ini
  result.wall_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  return result;
}

}  // namespace trezik::drive
