// The place names trezik-live's host reports to the plug-in (its answer to
// "CUSTOMFDROAD", which the trip log records): the data folder's optional
// places.csv, one place a line, "name, latitude, longitude" in degrees with
// "." as the decimal mark. The host names the nearest place within 2 km of
// the fix, and none farther off.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik::live {

struct Place {
  std::string name;
  double latitude = 0.0, longitude = 0.0;
};

// Metres between two points on the sphere of the Earth's mean radius
// (6371.0088 km) by the haversine formula, sound for small distances.
double MetresBetween(double latitude1, double longitude1, double latitude2, double longitude2);

class Places {
 public:
  static constexpr double kReachMetres = 2000.0;

  Places() = default;
  explicit Places(std::vector<Place> places) : places_(std::move(places)) {}

  // Reads places.csv's content: blank lines and lines starting with "#" are
  // passed over; a name may hold commas (the last two fields are the
  // numbers) and may stand in double quotes. `bad_lines` gets the numbers of
  // the lines that are no place (no two numbers, or beyond +-90 / +-180).
  static Places Parse(std::string_view csv, std::vector<int>& bad_lines);

  // The nearest place within 2 km of the point, or none.
  const Place* Nearest(double latitude, double longitude) const;

  std::size_t size() const { return places_.size(); }

 private:
  std::vector<Place> places_;
};

}  // namespace trezik::live
