// Great-circle distance by the spherical law of cosines, in nautical miles
// (minutes of arc). The trip engine measures its steps with
// greatcircledistance1, the plug-in's interface exposes the same formula as
// greatcircledistance2; both are pure.
#pragma once

namespace trezik {

// Degrees to radians and back with pi taken as 3.14159265358979; the full
// double pi would change the last digits of every distance.
inline constexpr double kDegreesToRadians = 0.017453292519943278;
inline constexpr double kRadiansToDegrees = 57.29577951308238;

// arctan(-x / sqrt(1 - x*x)) + 2 arctan(1), with no clamping: exactly +-1
// throws kDivisionByZero, beyond it kInvalidArgument; an overflow or invalid
// operation throws as well.
double ArccosOfCosine(double x);

// Nautical miles between two fixes; arguments are both latitudes, then both
// longitudes, in degrees. Throws what ArccosOfCosine throws (equal fixes
// usually divide by zero).
double GreatCircleNauticalMiles(double origin_latitude, double destination_latitude,
                                double origin_longitude, double destination_longitude);

// The trip engine's distance: the same nautical miles.
double greatcircledistance1(double origin_latitude, double destination_latitude,
                            double origin_longitude, double destination_longitude);

}  // namespace trezik
