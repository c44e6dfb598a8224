// The recorded drive as the host's fix source: the fix of the drive second
// the run stands at, written as a receiver reports it to the host.
#pragma once

#include <optional>
#include <string>

#include "host/fix_text.h"
#include "host/host.h"
#include "tools/simulator/timeline.h"

namespace trezik::drive {

using host::CoordinateText;
using host::SpeedInUserUnit;
using host::SpeedText;

class RecordedFixes : public host::FixSource {
 public:
  RecordedFixes(const Timeline& timeline, bool metric_units, char decimal_mark)
      : timeline_(timeline), metric_units_(metric_units), decimal_mark_(decimal_mark) {}

  // Moves to a drive second and gives its fix.
  const host::Fix& MoveTo(int second);

  // What the host reports whenever the plug-in asks during this second.
  std::optional<host::Fix> NextFix() override { return current_; }

 private:
  const Timeline& timeline_;
  bool metric_units_;
  char decimal_mark_;
  host::Fix current_;
};

}  // namespace trezik::drive
