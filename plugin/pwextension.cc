#include "plugin/pwextension.h"

#include "trip/distance.h"

namespace trezik {

double PWExtension::Arccos(double x) { return ArccosOfCosine(x); }

double PWExtension::greatcircledistance2(double origin_latitude, double destination_latitude,
                                         double origin_longitude, double destination_longitude) {
  return GreatCircleNauticalMiles(origin_latitude, destination_latitude, origin_longitude,
                                  destination_longitude);
}

// Kept on the interface for callers that use it; it gives the same nautical
// miles as greatcircledistance2, since its older formulation measured no
// distance in any unit.
double PWExtension::GreatCircleDistance(double origin_latitude, double destination_latitude,
                                        double origin_longitude, double destination_longitude) {
  return greatcircledistance2(origin_latitude, destination_latitude, origin_longitude,
                              destination_longitude);
}

}  // namespace trezik
