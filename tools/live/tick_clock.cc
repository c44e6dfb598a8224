#include "tools/live/tick_clock.h"

namespace trezik::live {

std::int64_t TickClock::Advance(Clock::time_point now) {
  next_ += period_;
  if (now - next_ <= period_) return 0;
  // Grid times are counted from the start, so that skipping keeps the grid.
  const std::int64_t due = (now - start_) / period_ + 1;
  const Clock::time_point skipped_to = start_ + due * period_;
  const std::int64_t left_out = (skipped_to - next_) / period_;
  next_ = skipped_to;
  return left_out;
}

}  // namespace trezik::live
