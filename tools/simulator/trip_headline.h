// The driver's headline of a run: how far, how long, how fast, how many
// stops, and what the fill-ups gave.
#pragma once

#include <cstddef>
#include <string>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

// A tick counts as stopped when the speed the host reported for it is below
// 3 km/h (metric) or 2 mph: the speed the standstill filter minspeed=3 holds.
inline constexpr double kStoppedBelowKmh = 3.0;
inline constexpr double kStoppedBelowMph = 2.0;
// That speed in the user's unit, by the kilometres per unit of the run.
inline double StoppedBelow(double kilometres_per_unit) {
  return kilometres_per_unit == 1.0 ? kStoppedBelowKmh : kStoppedBelowMph;
}

// A stop is a stretch of at least this many seconds with the reported speed
// under StoppedBelow, after the car has moved.
inline constexpr int kShortestStopSeconds = 5;

// Its laws, whatever the drive: the average moving speed is at most the
// maximum, the moving time at most the trip's time, and the maximum comes
// from seconds whose step the meter did not drop as a GPS jump.
struct TripHeadline {
  double distance = 0.0;   // what the plug-in's meter counted over the drive, in its unit
  int seconds = 0;         // from the first tick to the last
  // The seconds (a tick's step from the tick before) with the reported
  // speed at or above StoppedBelow, a step the meter did not drop and not
  // in a held gap across which the positions show no motion
  // (TickRecord::held_standing), and what the meter counted in them.
  int moving_seconds = 0;
  double moving_distance = 0.0;
  // The highest speed reported in a second whose step was not dropped, in
  // the speed unit; where the positions went faster than the speeds the
  // host reported (a receiver's speed that lags, a held gap's step), the
  // average moving speed instead, and max_from_steps is set.
  double max_speed = 0.0;
  bool max_from_steps = false;
  std::size_t stops = 0;
  // moving_distance / moving time, in the speed unit; 0 when the car never
  // moved.
  double average_moving_speed() const;
};

TripHeadline MeasureTrip(const SimulationResult& result);

// A few lines, at most 80 columns each: the trip, and the fill-ups the
// plug-in logged.
std::string DescribeTrip(const TripHeadline& trip, const SimulationResult& result, bool imperial);

}  // namespace trezik::drive
