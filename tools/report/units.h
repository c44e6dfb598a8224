// The unit names of the report's labels, for the unit system the logs were
// written in.
#pragma once

#include <string>

#include "tools/report/report.h"

namespace trezik::report {

struct Units {
  std::string distance;     // "km" or "mi"
  std::string volume;       // "L" or "gal"
  std::string consumption;  // "L/100 km" or "mpg"
  bool lower_is_better = true;
};

inline Units UnitsFor(const ReportOptions& options) {
  if (options.imperial) return {"mi", "gal", "mpg", false};
  return {"km", "L", "L/100 km", true};
}

}  // namespace trezik::report
