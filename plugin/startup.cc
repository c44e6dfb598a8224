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
#include "state/fuel_carry_file.h"
#include "state/state_file.h"

namespace trezik {
namespace {

// The host's "pw.ini" at pwpath, exactly as the host gave it. A file that
// cannot be opened fails the creation; once it is open, nothing in it can.
void ReadHostSettingsFile(Form1& form) {
  const std::string path = form.pwpath + kHostSettingsFileName;
  std::string content;
  try {
    content = CurrentPlatform().ReadFile(path, kSettingsReadLimit);
  } catch (const Error& error) {
    // A wrong host folder means the same to the host as a missing file:
    // "pw.ini" cannot be found.
    if (error.kind() != ErrorKind::kPathNotFound) throw;
    Fail(ErrorKind::kFileNotFound, "File not found: \"" + path + "\"");
  }
  form.metric_units = ReadHostSettings(content, form.decimal_mark()).metric_units;
}

// The plug-in's own "trezik.ini". It is optional: a missing, empty or
// unreadable file is skipped, whatever "pw.ini" held.
void ReadPluginSettingsFile(Form1& form) {
  const std::string path = form.trezikdir + kPluginSettingsFileName;
  const auto size = CurrentPlatform().FileSize(path);
  if (!size || *size == 0) return;
  std::string content;
  try {
    content = CurrentPlatform().ReadFile(path, kSettingsReadLimit);
  } catch (const Error&) {
    return;
  }
  const PluginSettings settings = ReadPluginSettings(content, form.decimal_mark());
  form.dp = settings.decimal_places;
  OptionsToWrite(form) = settings.options;
}

// Timer1: the trip meter's tick, then the autosave's second.
void Timer1Tick(Form1& form) {
  UpdateTrip(form);
  AutosaveTick(form);
}

}  // namespace

PluginOptions& OptionsToWrite(Form1& form) { return form.options_; }

namespace {

// At teardown and at the end of the session: the meters, and the carry
// when its last write failed.
void FinalSave(Form1& form) {
  AutoSaveMeters(form);
  SaveFuelCarry(form);
}

}  // namespace

void RunStartUp() {
  Form1& form = Form1::Get();
  // A second object on this thread meets meters that changed since they
  // were last read or saved: they are saved first, so the reading below
  // gives them back; should that save fail, they are kept rather than read
  // over. Meters that did not change are read again, so that a file edited
  // meanwhile (the total set to the car's odometer) is taken as it stands.
  const bool keep_meters = MetersChangedSinceFile(form) && !AutoSaveMeters(form);
  form.set_handlers({.timer1 = &Timer1Tick, .final_save = &FinalSave});
  // A second object on this thread finds the window hooked already.
  HookWindow(form.hwnd());
  form.maxspeed = 0.0;
  // The host answers while it handles this; only that answer counts.
  SendToHost(kHostWindowTitle, kPathRequest);
  form.set_timer1_enabled(false);
  form.metric_units = true;
  form.trezikdir = CurrentPlatform().ModuleFolder();
  if (form.trezikdir.empty() || form.trezikdir.back() != '\\') form.trezikdir += '\\';
  ReadHostSettingsFile(form);
  form.dp = 2;
  OptionsToWrite(form) = {};
  ResetTripFilter(form);
  ReadPluginSettingsFile(form);
  form.multiplier = form.metric_units ? 1.0 : kKilometresPerMile;
  form.set_timer1_enabled(true);
  form.NoteTripStart();
  if (!keep_meters) LoadTripState(form);
  LoadFuelCarry(form);
}

PWExtension::PWExtension() { RunStartUp(); }

}  // namespace trezik
