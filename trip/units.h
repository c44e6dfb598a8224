// The plug-in's distance units and the bound on one tick's step.
#pragma once

namespace trezik {

// Kilometres per nautical mile: the distance formula gives nautical miles.
inline constexpr double kKilometresPerNauticalMile = 1.852;

// Kilometres per mile, the plug-in's distance unit when the host is not
// metric. The plug-in has always used this rounded factor, and the meters
// drivers have kept were counted with it, so it stays.
inline constexpr double kKilometresPerMile = 1.60934;

// The exact international statute mile, for figures measured outside the
// plug-in (a recorded drive's own speeds and geodesic lengths).
inline constexpr double kKilometresPerStatuteMile = 1.609344;

// Steps of this many distance units or more in one tick are GPS jumps and are
// not counted.
inline constexpr double kStepBound = 2.0;

}  // namespace trezik
