#include "tools/live/places.h"

#include <cmath>

#include "core/convert.h"

namespace trezik::live {
namespace {

constexpr double kEarthMeanRadiusMetres = 6371008.8;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::optional<Place> ParseLine(std::string_view line) {
  const std::size_t second = line.rfind(',');
  if (second == std::string_view::npos || second == 0) return std::nullopt;
  const std::size_t first = line.rfind(',', second - 1);
  if (first == std::string_view::npos) return std::nullopt;
  const std::optional<double> latitude = ParseFileNumber(Trim(line.substr(first + 1, second - first - 1)));
  const std::optional<double> longitude = ParseFileNumber(Trim(line.substr(second + 1)));
  if (!latitude || !longitude || std::fabs(*latitude) > 90.0 || std::fabs(*longitude) > 180.0) return std::nullopt;
  std::string_view name = Trim(line.substr(0, first));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  if (name.empty()) return std::nullopt;
  return Place{std::string(name), *latitude, *longitude};
}

}  // namespace

double MetresBetween(double latitude1, double longitude1, double latitude2, double longitude2) {
  const double phi1 = latitude1 * kRadiansPerDegree, phi2 = latitude2 * kRadiansPerDegree;
  const double half_dphi = (phi2 - phi1) / 2.0;
  const double half_dlambda = (longitude2 - longitude1) * kRadiansPerDegree / 2.0;
  const double h = std::sin(half_dphi) * std::sin(half_dphi) +
                   std::cos(phi1) * std::cos(phi2) * std::sin(half_dlambda) * std::sin(half_dlambda);
  // min(): rounding may carry h a hair past 1 for antipodal points.
  return 2.0 * kEarthMeanRadiusMetres * std::asin(std::sqrt(std::fmin(h, 1.0)));
}

Places Places::Parse(std::string_view csv, std::vector<int>& bad_lines) {
  std::vector<Place> places;
  int number = 0;
  while (!csv.empty()) {
    const std::size_t end = csv.find('\n');
    const std::string_view line = Trim(csv.substr(0, end));
    csv.remove_prefix(end == std::string_view::npos ? csv.size() : end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    if (std::optional<Place> place = ParseLine(line)) {
      places.push_back(std::move(*place));
    } else {
      bad_lines.push_back(number);
    }
  }
  return Places(std::move(places));
}

const Place* Places::Nearest(double latitude, double longitude) const {
  const Place* nearest = nullptr;
  double nearest_metres = kReachMetres;
  for (const Place& place : places_) {
    const double metres = MetresBetween(latitude, longitude, place.latitude, place.longitude);
    // The first of equally near places; a place exactly 2 km off counts.
    if (nearest == nullptr ? metres <= kReachMetres : metres < nearest_metres) {
      nearest = &place;
      nearest_metres = metres;
    }
  }
  return nearest;
}

}  // namespace trezik::live
