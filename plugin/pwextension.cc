#include "plugin/pwextension.h"

#include "trip/distance.h"

namespace trezik {

double PWExtension::Arccos(double x) { return ArccosOfCosine(x); }

double PWExtension::greatcircledistance2(double origin_latitude, double destination_latitude,
                                         double origin_longitude, double destination_longitude) {
  return GreatCircleNauticalMiles(origin_latitude, destination_latitude, origin_longitude,
                                  destination_longitude);
}

// Skins and scripts call this name for the distance between two fixes as
// well, and expect a distance from it: the same nautical miles on the sphere
// as greatcircledistance2, whichever name they use.
double PWExtension::GreatCircleDistance(double origin_latitude, double destination_latitude,
                                        double origin_longitude, double destination_longitude) {
  return greatcircledistance2(origin_latitude, destination_latitude, origin_longitude,
                              destination_longitude);
}

}  // namespace trezik
