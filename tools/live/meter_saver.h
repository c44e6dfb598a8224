// Nothing lost in a car whose power goes with the ignition: trezik-live has
// the plug-in save its meters every 30 seconds of host time. When the
// plug-in's own "autosave" option is set in trezik.ini the plug-in does that
// itself, and the host leaves it alone; otherwise the host sends the
// plug-in's "updateini" command every 30th tick, when the total or the work
// meter moved since the last such save.
#pragma once

#include <optional>
#include <string>

#include "trip/trip_observer.h"

namespace trezik::live {

// Whether trezik.ini's content (`trezik_ini`) sets a valid "autosave", read
// by the plug-in's own item reader and option rule, numbers with
// `decimal_mark` or ".": the last autosave item counts, as in the plug-in.
bool PluginAutosaves(const std::string& trezik_ini, char decimal_mark);

// Hears every tick's step from the trip engine and says when to save.
class MeterSaver : public TripObserver {
 public:
  static constexpr int kEveryTicks = 30;

  // `plugin_autosaves`: never ask for a save.
  explicit MeterSaver(bool plugin_autosaves) : off_(plugin_autosaves) {}

  void OnStep(const StepReport& report) override;
  // After each tick: true when the host is to send "updateini" now, on
  // every 30th tick when the meters moved since the last save it asked for.
  bool SaveDue();

 private:
  bool off_;
  bool moved_ = false;
  bool seen_ = false;
  int ticks_ = 0;
  std::optional<double> total_, work_;
};

}  // namespace trezik::live
