#include "tools/live/meter_saver.h"

#include "core/error.h"
#include "core/item_reader.h"
#include "core/plugin_options.h"
#include "core/settings_reader.h"

namespace trezik::live {

bool PluginAutosaves(const std::string& trezik_ini, char decimal_mark) {
  PluginOptions options;
  try {
    ItemReader reader(trezik_ini.substr(0, kSettingsReadLimit));
    while (!reader.AtEnd()) {
      const SettingsItem item = SplitSettingsItem(reader.Next());
      if (item.key != "decimalplaces") ApplyOption(item, decimal_mark, options);
    }
  } catch (const Error&) {
    // The plug-in stops reading where its reader fails, and keeps what it had.
  }
  return options.autosave_seconds > 0;
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
