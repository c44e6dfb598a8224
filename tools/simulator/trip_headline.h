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

struct TripHeadline {
  double distance = 0.0;   // what the plug-in's meter counted over the drive, in its unit
  int seconds = 0;         // from the first tick to the last
  int moving_seconds = 0;  // ticks with the reported speed at or above StoppedBelow
  double max_speed = 0.0;  // the highest speed reported, in the speed unit
  std::size_t stops = 0;
  // distance / moving time, in the speed unit; 0 when the car never moved.
  double average_moving_speed() const;
};

TripHeadline MeasureTrip(const SimulationResult& result);

// "+29:29" style durations without the sign: "29:29", "1:02:05".
std::string Duration(int seconds);

// A few lines, at most 80 columns each: the trip, and the fill-ups the
// plug-in logged.
std::string DescribeTrip(const TripHeadline& trip, const SimulationResult& result, bool imperial);

}  // namespace trezik::drive
