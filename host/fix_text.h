// A fix as the host writes it into its replies: coordinates with seven
// decimals, the speed in the user's unit with its unit name. The recorded
// drive and the live GPS receiver both report through these.
#pragma once

#include <string>

namespace trezik::host {

// A coordinate as the host writes it: seven decimals (about a centimetre).
std::string CoordinateText(double degrees, char decimal_mark);
// The speed in the user's unit, one decimal, with the unit ("72 km/h").
std::string SpeedText(double metres_per_second, bool metric_units, char decimal_mark);
// The conversion from metres per second to the user's speed unit.
double SpeedInUserUnit(double metres_per_second, bool metric_units);

}  // namespace trezik::host
