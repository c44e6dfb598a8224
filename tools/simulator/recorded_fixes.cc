#include "tools/simulator/recorded_fixes.h"

namespace trezik::drive {

const host::Fix& RecordedFixes::MoveTo(int second) {
  const Position p = timeline_.At(second);
  current_ = {CoordinateText(p.latitude, decimal_mark_), CoordinateText(p.longitude, decimal_mark_),
              SpeedText(p.speed_mps, metric_units_, decimal_mark_)};
  return current_;
}

}  // namespace trezik::drive
