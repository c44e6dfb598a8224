// The standstill filter's state between ticks, beside the design's fields.
#pragma once

#include <optional>

namespace trezik {

// The speed the host reported in reply to the latest request, when it was a
// number. Its one writer is the host link: every send clears it, the reply
// parser sets it; the trip engine reads it right after its own send.
struct ReportedSpeed {
  std::optional<double> value;
};

// Whether the last counted fix stays in prevlat/prevlon as the anchor of the
// next counted step, because the car stands still. Its one writer is the trip
// engine.
struct TripFilterState {
  bool holding_anchor = false;
};

}  // namespace trezik
