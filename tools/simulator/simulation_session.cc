#include "tools/simulator/simulation_session.h"

#include "core/error.h"
#include "tools/tracks/civil_time.h"

namespace trezik::drive {

DriveSession::DriveSession(const SimulationOptions& options, const Timeline& timeline,
                           double first_fix_time, const std::string& host_folder,
                           const std::string& plugin_folder)
    : pwpath_(ToWindowsFolder(std::filesystem::absolute(host_folder).string())),
      fixes_(timeline, options.metric_units, options.decimal_mark),
      hosted_(platform_, pwpath_, &fixes_) {
  const CivilTime start = SplitEpochSeconds(first_fix_time + options.utc_offset_hours * 3600.0 - 1.0);
  platform_.SetLocalTime(start.date.year, start.date.month, start.date.day, start.seconds_of_day);
  platform_.set_decimal_mark(options.decimal_mark);
  platform_.set_module_folder(std::filesystem::absolute(plugin_folder).string());
}

void DriveSession::Create() {
  try {
    hosted_.Create();
  } catch (const Error& error) {
    throw SimulationError(std::string("the plug-in's start-up failed: ") + ErrorKindName(error.kind()) + " (" +
                          error.what() + ")");
  }
}

CommandOutcome DriveSession::Command(const std::string& command) {
  const host::CommandResult result = hosted_.Command(command);
  return {command, result.code, result.code ? "" : ErrorKindName(result.error_kind)};
}

}  // namespace trezik::drive
