#include "tools/simulator/timeline.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace trezik::drive {

namespace {

// The speed of each fix from the positions, for a log without speeds: the
// lowest of the chord speeds (the WGS84 geodesic from the window's first fix
// to its last, over its time) of the windows of kSpeedWindowSteps
// consecutive steps that hold the fix. A fix thrown off the road ends or
// starts some of those windows but lies inside others, whose two ends are
// on the road, so one step through a jump (or two fixes thrown off in a
// row) cannot become a speed; and the speed is one the positions hold over
// the whole of a window. Over a straight road at a steady speed it is that
// speed; where the car speeds up or slows down it is the slower end's, a
// step or so behind.
std::vector<double> SpeedsFromPositions(const std::vector<Fix>& fixes) {
  const std::size_t n = fixes.size();
  std::vector<double> speeds(n, 0.0);
  if (n < 2) return speeds;
  const std::size_t k = std::min<std::size_t>(kSpeedWindowSteps, n - 1);
  std::vector<double> chord(n - k);  // of the window that starts at fix a
  for (std::size_t a = 0; a + k < n; ++a) {
    const double dt = fixes[a + k].time - fixes[a].time;
    chord[a] = dt > 0 ? GeodesicMetres(fixes[a].latitude, fixes[a].longitude, fixes[a + k].latitude,
                                       fixes[a + k].longitude) / dt
                      : 0.0;
  }
  // The first fix and the last, which one window alone holds, also take the
  // window beside it, which the next fix along holds: a first fix thrown off
  // (as receivers give at a start) is no speed either.
  const std::size_t windows = chord.size();
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t first = i >= k ? i - k : 0;
    std::size_t last = std::min(i, windows - 1);
    if (i == 0 && windows > 1) last = 1;
    if (i == n - 1 && windows > 1) first = windows - 2;
    double lowest = chord[first];
    for (std::size_t a = first + 1; a <= last; ++a) lowest = std::min(lowest, chord[a]);
    speeds[i] = lowest;
  }
  return speeds;
}

}  // namespace

Timeline::Timeline(const Drive& drive, TimelineOptions options) : drive_(drive), options_(options) {
  const std::vector<Fix>& fixes = drive.fixes;
  speeds_.resize(fixes.size());
  std::vector<double> from_positions;
  for (std::size_t i = 0; i < fixes.size(); ++i) {
    if (fixes[i].speed_mps) {
      speeds_[i] = *fixes[i].speed_mps;
      continue;
    }
    if (from_positions.empty()) from_positions = SpeedsFromPositions(fixes);
    ++derived_speeds_;
    speeds_[i] = from_positions[i];
    // Faster than any car still (every window through jumps): no speed; the
    // fix keeps the speed of the one before.
    if (options_.fill_kmh > 0 && speeds_[i] * 3.6 > options_.fill_kmh) speeds_[i] = i == 0 ? 0.0 : speeds_[i - 1];
  }
  last_second_ = static_cast<std::int64_t>(std::floor(drive.duration()));
  for (std::size_t i = 1; i < fixes.size(); ++i) {
    const double gap = fixes[i].time - fixes[i - 1].time;
    if (gap > fixes[longest_gap_index_ + 1].time - fixes[longest_gap_index_].time) longest_gap_index_ = i - 1;
    if (options_.between == Between::kHold || options_.fill_kmh <= 0 || gap <= 1.0) continue;
    const double kmh = GeodesicMetres(fixes[i - 1].latitude, fixes[i - 1].longitude, fixes[i].latitude,
                                      fixes[i].longitude) / gap * 3.6;
    if (kmh > options_.fill_kmh) {
      // Towards a GPS jump the host holds the last fix, across a short gap too.
      held_fast_.push_back(i - 1);
    } else if (gap > options_.max_gap_s && kmh >= kFillFromKmh) {
      filled_.push_back(i - 1);
      longest_filled_s_ = std::max(longest_filled_s_, gap);
    } else if (gap > options_.max_gap_s) {
      held_parked_.push_back(i - 1);
    }
  }
}

bool Timeline::Filled(std::size_t index) const { return std::binary_search(filled_.begin(), filled_.end(), index); }

std::optional<std::size_t> Timeline::GapOfStep(std::int64_t second) const {
  const std::vector<Fix>& fixes = drive_.fixes;
  if (second < 1) return std::nullopt;
  const double from = drive_.start_time() + static_cast<double>(second - 1);
  auto after = std::upper_bound(fixes.begin(), fixes.end(), from,
                                [](double time, const Fix& fix) { return time < fix.time; });
  if (after == fixes.begin() || after == fixes.end() || from + 1.0 > after->time + 1e-9) return std::nullopt;
  return static_cast<std::size_t>(after - fixes.begin()) - 1;
}

bool Timeline::FilledStep(std::int64_t second) const {
  if (filled_.empty()) return false;
  const auto i = GapOfStep(second);
  return i && Filled(*i);
}

bool Timeline::HeldGap(std::size_t index) const {
  if (index + 1 >= drive_.fixes.size()) return false;
  const double gap = drive_.fixes[index + 1].time - drive_.fixes[index].time;
  if (gap <= 1.0) return false;
  return options_.between == Between::kHold || (gap > options_.max_gap_s && !Filled(index)) ||
         std::binary_search(held_fast_.begin(), held_fast_.end(), index);
}

bool Timeline::ParkedGap(std::size_t index) const {
  return std::binary_search(held_parked_.begin(), held_parked_.end(), index);
}

bool Timeline::HeldStepStanding(std::int64_t second) const {
  const auto i = GapOfStep(second);
  if (!i || !HeldGap(*i)) return false;
  if (ParkedGap(*i)) return true;
  // The side after the gap: the next fix within a car's reach of the one
  // before it, so that a fix thrown off the road there shows no motion.
  const std::vector<Fix>& fixes = drive_.fixes;
  const Fix& before = fixes[*i];
  const double fastest = options_.fill_kmh > 0 ? options_.fill_kmh : kFillUpToKmh;
  for (std::size_t j = *i + 1; j < fixes.size() && j <= *i + kSpeedWindowSteps; ++j) {
    const double kmh =
        GeodesicMetres(before.latitude, before.longitude, fixes[j].latitude, fixes[j].longitude) /
        (fixes[j].time - before.time) * 3.6;
    if (kmh <= fastest) return kmh < kFillFromKmh;
  }
  return true;
}

bool Timeline::HeldStep(std::int64_t second) const {
  const auto i = GapOfStep(second);
  return i && HeldGap(*i);
}

Position Timeline::At(std::int64_t second) const {
  const std::vector<Fix>& fixes = drive_.fixes;
  // The last second reports the last fix, whose time may lie a fraction of
  // a second after it: across a held last gap it would never be reached.
  if (second >= last_second_) return {fixes.back().latitude, fixes.back().longitude, speeds_.back()};
  const double t = drive_.start_time() + static_cast<double>(second);
  // The last fix at or before t.
  auto after = std::upper_bound(fixes.begin(), fixes.end(), t,
                                [](double time, const Fix& fix) { return time < fix.time; });
  const std::size_t i = after == fixes.begin() ? 0 : static_cast<std::size_t>(after - fixes.begin()) - 1;
  Position p{fixes[i].latitude, fixes[i].longitude, speeds_[i]};
  if (options_.between == Between::kHold || i + 1 >= fixes.size() || t <= fixes[i].time) return p;
  // Parked: the car stands across the gap, whatever speed the fix before it had.
  if (ParkedGap(i)) return {p.latitude, p.longitude, 0.0};
  const Fix& a = fixes[i];
  const Fix& b = fixes[i + 1];
  const double gap = b.time - a.time;
  const bool filled = gap > options_.max_gap_s;
  if (filled ? !Filled(i) : std::binary_search(held_fast_.begin(), held_fast_.end(), i)) return p;
  const double w = (t - a.time) / gap;
  double dlon = b.longitude - a.longitude;
  if (dlon > 180.0) dlon -= 360.0;  // across the antimeridian, the short way
  if (dlon < -180.0) dlon += 360.0;
  p.latitude = a.latitude + (b.latitude - a.latitude) * w;
  p.longitude = a.longitude + dlon * w;
  if (p.longitude > 180.0) p.longitude -= 360.0;
  if (p.longitude < -180.0) p.longitude += 360.0;
  // Across a filled gap the speed is the one the gap implies, which the
  // positions reported each second agree with.
  p.speed_mps = filled ? GeodesicMetres(a.latitude, a.longitude, b.latitude, b.longitude) / gap
                       : speeds_[i] + (speeds_[i + 1] - speeds_[i]) * w;
  return p;
}

std::string Timeline::Describe() const {
  std::ostringstream text;
  if (options_.between == Between::kHold) {
    text << "between fixes the host holds the last fix";
  } else if (options_.fill_kmh <= 0) {
    text << "between fixes the host interpolates linearly across gaps up to " << options_.max_gap_s
         << " s and holds the last fix across longer ones";
  } else {
    text << "between fixes the host interpolates linearly across gaps up to " << options_.max_gap_s
         << " s and fills longer ones in along the straight line: " << filled_.size() << " filled";
    if (!filled_.empty()) text << " (longest " << longest_filled_s_ << " s)";
    text << "; it holds the last fix towards a GPS jump (over " << options_.fill_kmh << " km/h): "
         << held_fast_.size() << ", and across a longer gap slower than " << kFillFromKmh
         << " km/h (parked): " << held_parked_.size();
  }
  if (drive_.fixes.size() > 1) {
    const double gap = drive_.fixes[longest_gap_index_ + 1].time - drive_.fixes[longest_gap_index_].time;
    text << "; longest gap " << gap << " s";
  }
  text << "; speed " << (derived_speeds_ == 0 ? "as the receiver reported it"
                         : derived_speeds_ == drive_.fixes.size()
                             ? "derived from the positions (the file has none)"
                             : "as reported, derived from the positions where missing");
  return text.str();
}

}  // namespace trezik::drive
