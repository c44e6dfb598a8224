// One run: the plug-in's options and the host's texts, then the run's start,
// its ticks (simulation_ticks.cc) and its end.
#include "tools/simulator/simulation.h"

#include "core/convert.h"
#include "contract/settings.h"
#include "state/form1.h"
#include "tools/simulator/log_files.h"
#include "tools/simulator/simulation_session.h"

namespace trezik::drive {

std::string PluginSettingsFile(const SimulationOptions& options) {
  SettingsWriter file;
  if (options.decimal_places) file.Item(kDecimalPlacesKey, *options.decimal_places);
  for (const std::string& line : options.plugin_settings) file.Item(line);
  return file.text();
}

Simulation::Simulation(const Drive& drive, const Script& script, SimulationOptions options)
    : drive_(drive), script_(script), options_(std::move(options)), timeline_(drive, options_.timeline) {}

SimulationResult Simulation::Run() {
  SimulationResult result;
  RunFolders folders;
  SetUp(folders, result);
  result.plugin_options =
      ReadPluginSettings(FileContent(result.trezik_ini).value_or(""), options_.decimal_mark).options;

  const Clock::time_point wall_start = Clock::now();
  StepListener steps;
  const ScopedTripObserver listening(steps);
  DriveSession session(options_, timeline_, drive_.start_time(), folders.host, folders.plugin);
  Start(session, result);
  TickLoop(session, steps, wall_start, result);
  End(session, result);
  result.wall_seconds = std::chrono::duration<double>(Clock::now() - wall_start).count();
  return result;
}

void Simulation::Start(DriveSession& session, SimulationResult& result) const {
  Notify([&](SimulationObserver& o) { o.OnSetUp(*this, session.pwpath()); });
  session.host().SetRoad(options_.road);
  Notify([&](SimulationObserver& o) { o.OnRoad(options_.road); });
  // One of each a tick: sized once, without the slack of growing.
  const auto ticks = static_cast<std::size_t>(timeline_.last_second()) + 1;
  for (std::vector<double>* each : {&result.latitudes, &result.longitudes, &result.counted}) each->reserve(ticks);
  result.step_origins.reserve(ticks);
  SetFix(session, 0, result);
  session.Create();
  Notify([](SimulationObserver& o) { o.OnCreate(); });

  // Kilometres per distance unit: the plug-in's own, set at its start from
  // the host's unit system.
  const Form1* form = Form1::Existing();
  if (form == nullptr) throw SimulationError("the plug-in holds no state after its start");
  result.multiplier = form->multiplier;
}

void Simulation::End(DriveSession& session, SimulationResult& result) const {
  // An interrupted run has not arrived: no "end" steps.
  const bool interrupted = result.interrupted_after.has_value();
  result.arrival_labels = ShowLabels(session);
  if (!interrupted) RunSteps(session, ScriptStep::kEnd, timeline_.last_second(), result);
  result.final_labels = interrupted ? result.arrival_labels : ShowLabels(session);
  result.exits = session.host().exits();
  result.host_messages = session.host().messages();
  Notify([](SimulationObserver& o) { o.OnRelease(); });
  session.Release();
}

}  // namespace trezik::drive
