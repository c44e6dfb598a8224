// The run's folders, as the host and the plug-in's installation would have
// them.
#include <filesystem>

#include "contract/names.h"
#include "contract/settings.h"
#include "tools/common/atomic_file.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/simulation_session.h"

namespace trezik::drive {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace

void Simulation::SetUp(RunFolders& folders, SimulationResult& result) const {
  folders.host = Join(options_.folder, "host");
  folders.plugin = Join(options_.folder, "plugin");
  result.pw_ini = Join(folders.host, kHostSettingsFileName);
  result.trezik_ini = Join(folders.plugin, kPluginSettingsFileName);
  result.tripmeter_ini = Join(folders.plugin, kTripStateFileName);
  result.tripmeter_log = Join(folders.plugin, kTripLogFileName);
  result.fuel_log = Join(folders.plugin, kFuelLogFileName);
  const std::string pw_ini = SettingsWriter().Section(kHostSettingsSection).Units(options_.metric_units).text();
  try {
    tools::MakeFolders(folders.host);
    tools::MakeFolders(folders.plugin);
    tools::ReplaceFileDurably(result.pw_ini, pw_ini);
    if (const std::string settings = PluginSettingsFile(options_); !settings.empty()) {
      tools::ReplaceFileDurably(result.trezik_ini, settings);
    } else {
      std::filesystem::remove(result.trezik_ini);
    }
    if (!options_.keep_state) {
      for (const std::string& path : {result.tripmeter_ini, result.tripmeter_log, result.fuel_log}) {
        std::filesystem::remove(path);
      }
    }
    for (const ScriptStep* step : script_.DueAt(ScriptStep::kBefore)) {
      tools::ReplaceFileDurably(result.tripmeter_ini, step->commands[0] + "\r\n" + step->commands[1] + "\r\n");
    }
  } catch (const std::exception& error) {
    throw SimulationError(error.what());
  }
}

}  // namespace trezik::drive
