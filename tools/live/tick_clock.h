// When Timer1 ticks in trezik-live: every period (1 s of wall time, 1/N s
// under --speedup N) on a grid fixed at the start on the steady clock, so
// that the ticks do not drift whatever each tick takes. A tick that comes
// late still runs, once; when the process has fallen more than a whole
// period behind (suspended, or the machine swapped), the ticks missed are
// left out rather than run in a burst, and the plug-in's clock, which
// moves one second a tick, falls behind the wall clock by as much.
#pragma once

#include <chrono>
#include <cstdint>

namespace trezik::live {

class TickClock {
 public:
  using Clock = std::chrono::steady_clock;

  TickClock(Clock::time_point start, Clock::duration period) : start_(start), period_(period), next_(start + period) {}

  // When the next tick is due.
  Clock::time_point next() const { return next_; }
  // After the tick due at next() has run, at `now`: the next one is the
  // following grid time, or, when `now` is already more than a period past
  // that, the first grid time after `now`. Returns the ticks left out.
  std::int64_t Advance(Clock::time_point now);

 private:
  Clock::time_point start_;
  Clock::duration period_;
  Clock::time_point next_;
};

}  // namespace trezik::live
