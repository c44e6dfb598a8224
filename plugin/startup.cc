#include "plugin/startup.h"

#include <cmath>

#include "hostlink/hook.h"
#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "state/form1.h"
#include "trip/engine.h"
#include "trip/units.h"
#include "plugin/pwextension.h"
#include "core/convert.h"
#include "core/settings_reader.h"
#include "core/item_reader.h"
#include "state/state_file.h"

namespace trezik {
namespace {

// The host's "pw.ini" at pwpath, exactly as the host gave it. A file that
// cannot be opened fails the creation; once it is open, nothing in it can.
void ReadHostSettings(Form1& form) {
  const std::string path = form.pwpath + kHostSettingsFileName;
  std::string content;
  try {
    content = form.platform().ReadFile(path, kSettingsReadLimit);
  } catch (const Error& error) {
    // A wrong host folder means the same to the host as a missing file:
    // "pw.ini" cannot be found.
    if (error.kind() != ErrorKind::kPathNotFound) throw;
    Fail(ErrorKind::kFileNotFound, "File not found: \"" + path + "\"");
  }
  ItemReader reader(std::move(content));
  try {
    while (!reader.AtEnd()) {
      const SettingsItem item = SplitSettingsItem(reader.Next());
      if (item.key == "isunits") form.metric_units = IsUnitsValue(item.value, form.decimal_mark());
    }
  } catch (const Error&) {
  }
}

// The plug-in's own "trezik.ini". It is optional: a missing, empty or
// unreadable file is skipped, whatever "pw.ini" held.
void ReadPluginSettings(Form1& form) {
  const std::string path = form.trezikdir + kPluginSettingsFileName;
  const auto size = form.platform().FileSize(path);
  if (!size || *size == 0) return;
  try {
    ItemReader reader(form.platform().ReadFile(path, kSettingsReadLimit));
    while (!reader.AtEnd()) {
      const SettingsItem item = SplitSettingsItem(reader.Next());
      if (item.key == "decimalplaces") {
        if (auto places = DecimalPlacesValue(item.value, form.decimal_mark())) form.dp = *places;
      } else {
        ApplyOption(item, form.decimal_mark(), form.trip_options, form.state_file.autosave_seconds);
      }
    }
  } catch (const Error&) {
  }
}

// Timer1: the trip meter's tick, then the autosave's second.
void Timer1Tick(Form1& form) {
  UpdateTrip(form);
  AutosaveTick(form);
}

// At teardown and at the end of the session.
void FinalSave(Form1& form) { AutoSaveMeters(form); }

}  // namespace

OptionReading ApplyOption(const SettingsItem& item, char decimal_mark, Form1::TripOptions& trip,
                          int& autosave_seconds) {
  // Why a number's value leaves its option off.
  auto refused = [&](bool whole) {
    if (!item.value) return OptionReading::kNoValue;
    const std::optional<double> number = NumberInRange(item.value, decimal_mark, -HUGE_VAL, HUGE_VAL);
    if (!number) return OptionReading::kNotANumber;
    if (whole && *number != std::floor(*number)) return OptionReading::kNotWhole;
    return OptionReading::kOutOfRange;
  };
  if (item.key == "autosave") {
    const std::optional<int> seconds =
        WholeNumberInRange(item.value, decimal_mark, kAutosaveMinSeconds, kAutosaveMaxSeconds);
    autosave_seconds = seconds.value_or(0);
    return seconds ? OptionReading::kApplied : refused(true);
  }
  if (item.key == "minspeed") {
    const std::optional<double> speed = NumberInRange(item.value, decimal_mark, kMinSpeedLow, kMinSpeedHigh);
    trip.minspeed = speed.value_or(0.0);
    return speed ? OptionReading::kApplied : refused(false);
  }
  if (item.key == "calibration") {
    const std::optional<double> factor =
        NumberInRange(item.value, decimal_mark, kCalibrationLow, kCalibrationHigh);
    trip.calibration = factor.value_or(1.0);
    return factor ? OptionReading::kApplied : refused(false);
  }
  if (item.key == "distance") {
    const std::string choice = item.value ? ToLowerAscii(*item.value) : "";
    trip.wgs84 = choice == "wgs84";
    if (!item.value) return OptionReading::kNoValue;
    return trip.wgs84 || choice == "sphere" ? OptionReading::kApplied : OptionReading::kNotAChoice;
  }
  return OptionReading::kUnknownKey;
}

void RunStartUp() {
  Form1& form = Form1::Get();
  // A second object on this thread meets meters that were driven since the
  // last save: they are saved first, so the reading below gives them back.
  // Should that save fail, they are kept rather than read over.
  const bool keep_meters = form.state_file.loaded && !AutoSaveMeters(form);
  form.set_handlers({.timer1 = &Timer1Tick, .final_save = &FinalSave});
  // A second object on this thread finds the window hooked already.
  HookWindow(form.hwnd());
  form.maxspeed = 0.0;
  // The host answers while it handles this; only that answer counts.
  SendToHost(kHostWindowTitle, kPathRequest);
  form.set_timer1_enabled(false);
  form.metric_units = true;
  form.trezikdir = form.platform().ModuleFolder();
  if (form.trezikdir.empty() || form.trezikdir.back() != '\\') form.trezikdir += '\\';
  ReadHostSettings(form);
  form.dp = 2;
  form.state_file.autosave_seconds = 0;
  form.trip_options = {};
  form.holding_anchor = false;
  ReadPluginSettings(form);
  form.multiplier = form.metric_units ? 1.0 : kKilometresPerMile;
  form.set_timer1_enabled(true);
  form.startdate = form.SecondsSinceMidnightNow();
  if (!keep_meters) LoadTripState(form);
}

PWExtension::PWExtension() { RunStartUp(); }

}  // namespace trezik
