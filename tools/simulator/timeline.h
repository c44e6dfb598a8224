// The fix the host reports at each simulated second of a drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/tracks/drive.h"
#include "tools/tracks/geodesic.h"

namespace trezik::drive {

// What the host does between two recorded fixes.
enum class Between {
  // Moves linearly from one fix to the next (latitude, longitude and speed)
  // while the gap is at most max_gap seconds. Across a longer gap it fills
  // in one position a second along the straight line (linear in latitude
  // and longitude) when the speed the gap implies is at most fill_kmh, as a
  // receiver in the car would have reported them (a gap slower than
  // kFillFromKmh is held at speed 0: the car was parked). A gap of any
  // length faster than that (a GPS jump) holds the last fix. With fill_kmh
  // 0 (--no-fill): linear up to max_gap, the last fix held across a longer
  // gap, whatever its speed.
  kInterpolate,
  // Always reports the last fix received.
  kHold,
};

// The fastest a car is taken to go across a gap it is filled over: the
// geodesic between the fixes on either side over the gap's duration.
inline constexpr double kFillUpToKmh = 250.0;
// A long gap slower than this is a car parked while the receiver was off:
// the host holds the fix, and the one step across it counts the distance,
// where positions creeping on by millimetres a second would make the
// plug-in's formula count its rounding every second.
inline constexpr double kFillFromKmh = 3.0;

// Where the log has no speeds, a fix's speed is the lowest chord speed of
// the windows of this many consecutive steps that hold it (timeline.cc).
inline constexpr std::size_t kSpeedWindowSteps = 3;

struct TimelineOptions {
  Between between = Between::kInterpolate;
  double max_gap_s = 10.0;
  // Gaps longer than max_gap_s are filled up to this implied speed; 0 holds
  // them all (--no-fill).
  double fill_kmh = kFillUpToKmh;
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
  // Whether the step from second - 1 to `second` runs inside a gap longer
  // than max_gap that the host filled: both positions were made up.
  bool FilledStep(std::int64_t second) const;
  // Whether the step from second - 1 to `second` ends a gap longer than one
  // second across which the host held the last fix.
  bool HeldStep(std::int64_t second) const;
  // Whether the host held the last fix across the gap that starts at fix
  // `index` (longer than a second).
  bool HeldGap(std::size_t index) const;
  // Whether that gap was held because the car was parked (longer than
  // max_gap, slower than kFillFromKmh): the host reports speed 0 across it.
  bool ParkedGap(std::size_t index) const;
  // Whether the step into `second` lies in a held gap across which the
  // positions show no motion: a parked gap; or a gap held for another
  // reason (a jump, --hold, --no-fill) whose two sides lie closer than
  // kFillFromKmh over its time, the side after it being the first of the
  // next kSpeedWindowSteps fixes a car could reach (at most the fill speed,
  // else kFillUpToKmh) from the fix before it; none of them: no motion.
  bool HeldStepStanding(std::int64_t second) const;
  // Whether the gap that starts at fix `index` was filled.
  bool Filled(std::size_t index) const;
  std::size_t filled_gaps() const { return filled_.size(); }
  const TimelineOptions& options() const { return options_; }
  // Gaps held because of the speed they imply (GPS jumps).
  std::size_t held_fast_gaps() const { return held_fast_.size(); }

 private:
  const Drive& drive_;
  TimelineOptions options_;
  std::vector<double> speeds_;  // per fix, metres per second
  std::size_t derived_speeds_ = 0;
  std::int64_t last_second_ = 0;
  std::size_t longest_gap_index_ = 0;
  std::vector<std::size_t> filled_;  // the fixes that start a filled gap, ascending
  std::vector<std::size_t> held_fast_;  // the fixes that start a gap held as a GPS jump, ascending
  double longest_filled_s_ = 0.0;
  std::vector<std::size_t> held_parked_;  // the fixes that start a gap held as parked, ascending
  // The fix at or before `second` - 1 whose gap holds the step into
  // `second`, when the step ends at or before the next fix.
  std::optional<std::size_t> GapOfStep(std::int64_t second) const;
};

}  // namespace trezik::drive
