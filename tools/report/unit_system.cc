#include "tools/report/unit_system.h"

#include <cmath>

#include "core/convert.h"

namespace trezik::report {

Units UnitsOf(UnitSystem system) {
  if (system == UnitSystem::kImperial) return {system, "mi", "gal", "mpg", false};
  return {system, "km", "L", "L/100 km", true};
}

std::string UnitName(UnitSystem system) {
  return system == UnitSystem::kImperial ? "imperial (mi, gal, mpg)" : "metric (km, L, L/100 km)";
}

std::optional<UnitSystem> UnitOfFillUp(const FuelRecord& r) {
  // The logged consumption is over the whole interval since the last full
  // tank: the partial fill-ups' fuel and this one's.
  if (!r.figure || !r.closes) return std::nullopt;
  const double fuel = r.closes->fuel;
  if (!(fuel > 0) || !(r.distance > 0) || !(r.consumption > 0)) return std::nullopt;
  const double per_100 = fuel / r.distance * 100, per_unit = r.distance / fuel;
  // The logged consumption is rounded to the user's places (0 or more) and
  // the distance to 2: half a unit plus 1 % covers both.
  auto fits = [&](double figure) { return std::fabs(r.consumption - figure) <= 0.5 + 0.01 * figure; };
  const bool metric = fits(per_100), imperial = fits(per_unit);
  if (metric == imperial) return std::nullopt;
  return metric ? UnitSystem::kMetric : UnitSystem::kImperial;
}

std::optional<UnitSystem> UnitVotes::Majority() const {
  if (metric == imperial) return std::nullopt;
  return metric > imperial ? UnitSystem::kMetric : UnitSystem::kImperial;
}

std::optional<double> Consumption(double distance, double fuel, UnitSystem system) {
  if (distance == 0 || fuel == 0) return std::nullopt;
  return RoundHalfEven(system == UnitSystem::kImperial ? distance / fuel : fuel / distance * 100, 2);
}

}  // namespace trezik::report
