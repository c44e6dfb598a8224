// The once-a-second trip meter update lives in Form1::UpdateTrip (engine.cc).
#pragma once

namespace trezik {

// The request of one tick: latitude, longitude and speed in one message.
inline constexpr char kFixRequest[] =
    "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD";

// Steps of this many distance units or more in one tick are GPS jumps and are
// not counted.
inline constexpr double kStepBound = 2.0;

// Kilometres per nautical mile.
inline constexpr double kKilometresPerNauticalMile = 1.852;

}  // namespace trezik
