// The fix the host reports at each simulated second of a drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/simulator/drive.h"

namespace trezik::drive {

// What the host does between two recorded fixes.
enum class Between {
  // Moves linearly from one fix to the next (latitude, longitude and speed)
  // while the gap is at most max_gap seconds; holds the last fix across a
  // longer gap, as a receiver that lost the sky would.
  kInterpolate,
  // Always reports the last fix received.
  kHold,
};

struct TimelineOptions {
  Between between = Between::kInterpolate;
  double max_gap_s = 10.0;
};

struct Position {
  double latitude = 0.0;
  double longitude = 0.0;
  double speed_mps = 0.0;
};

// The fix of every second of a drive, worked out when asked for from the
// fixes around it: it holds no more than the fixes, however long the drive
// or its gaps (years, for a receiver that reports a wrong date).
class Timeline {
 public:
  Timeline(const Drive& drive, TimelineOptions options);

  // Whole seconds from the first fix to the last: seconds 0..last_second()
  // each get a position.
  std::int64_t last_second() const { return last_second_; }
  // The position at `second` seconds after the first fix; last_second()
  // gives the last fix, even when its time lies a fraction after it.
  Position At(std::int64_t second) const;
  // How many fixes got a speed derived from positions because the receiver
  // reported none.
  std::size_t derived_speeds() const { return derived_speeds_; }
  // A sentence for the summary saying how the gaps were bridged.
  std::string Describe() const;

 private:
  const Drive& drive_;
  TimelineOptions options_;
  std::vector<double> speeds_;  // per fix, metres per second
  std::size_t derived_speeds_ = 0;
  std::int64_t last_second_ = 0;
  std::size_t longest_gap_index_ = 0;
};

// Geodesic length on the WGS84 ellipsoid, in metres.
double GeodesicMetres(double lat1, double lon1, double lat2, double lon2);

}  // namespace trezik::drive
