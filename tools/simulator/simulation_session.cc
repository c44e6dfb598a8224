#include "tools/simulator/simulation_session.h"

#include "core/error.h"
#include "state/form1.h"
#include "tools/simulator/civil_time.h"

namespace trezik::drive {

std::string LabelOrError(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Error& error) {
    return std::string("error: ") + ErrorKindName(error.kind());
  }
}

DriveSession::DriveSession(const SimulationOptions& options, const Timeline& timeline,
                           double first_fix_time, const std::string& host_folder,
                           const std::string& plugin_folder)
    : use_(platform_), fixes_(timeline, options.metric_units, options.decimal_mark) {
  const CivilTime start = SplitEpochSeconds(first_fix_time + options.utc_offset_hours * 3600.0 - 1.0);
  platform_.SetLocalTime(start.date.year, start.date.month, start.date.day, start.seconds_of_day);
  platform_.set_decimal_mark(options.decimal_mark);
  platform_.set_module_folder(std::filesystem::absolute(plugin_folder).string());
  pwpath_ = ToWindowsFolder(std::filesystem::absolute(host_folder).string());
  host_.emplace(platform_, pwpath_);
  host_->set_fix_source(&fixes_);
}

void DriveSession::Create() {
  try {
    plugin_.emplace();
  } catch (const Error& error) {
    throw SimulationError(std::string("the plug-in's start-up failed: ") + ErrorKindName(error.kind()) + " (" +
                          error.what() + ")");
  }
}

CommandOutcome DriveSession::Command(const std::string& command) {
  CommandOutcome outcome{command, std::nullopt, ""};
  try {
    outcome.code = plugin_->ProcessCommand(command);
  } catch (const Error& error) {
    outcome.error_kind = ErrorKindName(error.kind());
  }
  return outcome;
}

void DriveSession::Release() {
  plugin_.reset();
  Form1::Unload();
}

}  // namespace trezik::drive
