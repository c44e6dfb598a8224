#include "tools/live/meter_saver.h"

#include "core/plugin_options.h"

namespace trezik::live {

bool PluginAutosaves(const std::string& trezik_ini, char decimal_mark) {
  return ReadPluginSettings(trezik_ini, decimal_mark).options.autosave_seconds > 0;
}

void MeterSaver::OnStep(const StepReport& report) {
  // The meters move with a counted step, and with any command between ticks
  // (a reset, a fill-up), seen as a change against the last tick's meters.
  // The first tick's meters are those read at the start, saved already.
  if (report.counted != 0.0 || (seen_ && (report.total != total_ || report.work != work_))) moved_ = true;
  seen_ = true;
  total_ = report.total;
  work_ = report.work;
}

bool MeterSaver::SaveDue() {
  if (off_ || ++ticks_ < kEveryTicks) return false;
  ticks_ = 0;
  const bool due = moved_;
  moved_ = false;
  return due;
}

}  // namespace trezik::live
