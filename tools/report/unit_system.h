// The unit system of the logs: the plug-in writes kilometres, litres and
// L/100 km when the host is metric (isunits=True), else miles, gallons and
// mpg, and nothing in a record names the unit. A fill-up tells it all the
// same: its consumption is the fuel over the distance x 100 in L/100 km, and
// the distance over the fuel in mpg.
#pragma once

#include <optional>
#include <string>

#include "tools/report/log_reader.h"

namespace trezik::report {

enum class UnitSystem { kMetric, kImperial };

struct Units {
  UnitSystem system = UnitSystem::kMetric;
  std::string distance;     // "km" or "mi"
  std::string volume;       // "L" or "gal"
  std::string consumption;  // "L/100 km" or "mpg"
  bool lower_is_better = true;
};

Units UnitsOf(UnitSystem system);
// "metric (km, L, L/100 km)"
std::string UnitName(UnitSystem system);

// The unit system a fill-up's consumption was written in; nothing when the
// record cannot tell (no fuel or no distance, a consumption that fits
// neither, or both: at 10 L/100 km = 10 km/L the two read alike).
std::optional<UnitSystem> UnitOfFillUp(const FuelRecord& record);

// Fill-ups counted by the unit they tell.
struct UnitVotes {
  long metric = 0, imperial = 0;
  void Add(std::optional<UnitSystem> unit) {
    if (unit == UnitSystem::kMetric) ++metric;
    if (unit == UnitSystem::kImperial) ++imperial;
  }
  // The unit most fill-ups tell; nothing when none tells one or as many tell each.
  std::optional<UnitSystem> Majority() const;
};

// Consumption over summed figures, rounded to 2 places: fuel / distance x 100
// in L/100 km, distance / fuel in mpg; nothing when the distance or the fuel is 0.
std::optional<double> Consumption(double distance, double fuel, UnitSystem system);

}  // namespace trezik::report
