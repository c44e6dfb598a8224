// Timer1's grid in trezik-live: late ticks do not move it, and a process
// that fell behind by more than a tick skips to the grid instead of
// running the missed ticks in a burst.
#include "tools/live/tick_clock.h"

#include <gtest/gtest.h>

namespace trezik::live {
namespace {

using std::chrono::milliseconds;
const TickClock::Clock::time_point kStart{std::chrono::seconds(500)};

TEST(TickClock, TicksStayOnTheGridHoweverLateEachRan) {
  TickClock clock(kStart, milliseconds(50));  // --speedup 20
  EXPECT_EQ(clock.next(), kStart + milliseconds(50));
  // Each tick runs 30 ms late: the grid does not drift.
  for (int tick = 1; tick <= 100; ++tick) {
    EXPECT_EQ(clock.Advance(kStart + milliseconds(50 * tick + 30)), 0);
    EXPECT_EQ(clock.next(), kStart + milliseconds(50 * (tick + 1)));
  }
}

TEST(TickClock, BehindByLessThanATickCatchesUpWithOneTickAndByMoreSkipsAhead) {
  struct Case {
    int now_ms;   // when the tick due at 1000 ms ended
    int next_ms;  // the next tick's time
    int left_out;
  } cases[] = {
      {1100, 2000, 0},
      {2999, 2000, 0},  // 999 ms past the next tick: it runs at once
      {3000, 2000, 0},  // a whole period past: still once
      {3001, 4000, 2},  // more: 2000 and 3000 are left out
      {7500, 8000, 6},
  };
  for (const Case& c : cases) {
    TickClock clock(kStart, milliseconds(1000));
    EXPECT_EQ(clock.Advance(kStart + milliseconds(c.now_ms)), c.left_out) << c.now_ms;
    EXPECT_EQ(clock.next(), kStart + milliseconds(c.next_ms)) << c.now_ms;
  }
}

}  // namespace
}  // namespace trezik::live
