#include "tools/tracks/geodesic.h"

#include <GeographicLib/Geodesic.hpp>

namespace trezik::drive {

double GeodesicMetres(double lat1, double lon1, double lat2, double lon2) {
  double metres = 0.0;
  GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metres);
  return metres;
}

}  // namespace trezik::drive
