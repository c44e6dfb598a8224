// The length of a step between two fixes, as the readers and the simulator
// measure a track: the geodesic on the WGS84 ellipsoid (GeographicLib).
#pragma once

namespace trezik::drive {

// Geodesic length on the WGS84 ellipsoid, in metres.
double GeodesicMetres(double lat1, double lon1, double lat2, double lon2);

}  // namespace trezik::drive
