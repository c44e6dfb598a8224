#include "host/fix_text.h"

#include "core/convert.h"
#include "trip/units.h"

namespace trezik::host {

std::string CoordinateText(double degrees, char decimal_mark) {
  return DoubleToText(RoundHalfEven(degrees, 7), decimal_mark);
}

std::string SpeedText(double metres_per_second, bool metric_units, char decimal_mark) {
  const double speed = RoundHalfEven(SpeedInUserUnit(metres_per_second, metric_units), 1);
  return DoubleToText(speed, decimal_mark) + (metric_units ? " km/h" : " mph");
}

double SpeedInUserUnit(double metres_per_second, bool metric_units) {
  const double kmh = metres_per_second * 3.6;
  return metric_units ? kmh : kmh / kKilometresPerStatuteMile;
}

}  // namespace trezik::host
