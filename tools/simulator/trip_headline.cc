#include "tools/simulator/trip_headline.h"

#include <algorithm>
#include <cstdio>

#include "plugin/log_record.h"
#include "tools/simulator/text_width.h"

namespace trezik::drive {

double TripHeadline::average_moving_speed() const {
  return moving_seconds > 0 ? distance / (moving_seconds / 3600.0) : 0.0;
}

TripHeadline MeasureTrip(const SimulationResult& result) {
  TripHeadline trip;
  trip.distance = result.odometer;
  trip.seconds = result.ticks.empty() ? 0 : result.ticks.back().second - result.ticks.front().second;
  const double stopped_below = StoppedBelow(result.multiplier);
  bool moved = false;
  int standing = 0;
  for (const TickRecord& tick : result.ticks) {
    trip.max_speed = std::max(trip.max_speed, tick.speed);
    if (tick.speed >= stopped_below) {
      ++trip.moving_seconds;
      moved = true;
      standing = 0;
    } else if (moved && ++standing == kShortestStopSeconds) {
      ++trip.stops;
    }
  }
  return trip;
}

std::string Duration(int seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  }
  return text;
}

std::string DescribeTrip(const TripHeadline& trip, const SimulationResult& result, bool imperial) {
  const Labels& l = result.final_labels;
  char text[512];
  if (trip.moving_seconds == 0) {
    std::snprintf(text, sizeof text,
                  "Trip      %.2f %s in %s, never moving\n"
                  "          (the reported speed stayed under %s, at most %.0f %s)\n",
                  trip.distance, l.distunit.c_str(), Duration(trip.seconds).c_str(), imperial ? "2 mph" : "3 km/h",
                  trip.max_speed, l.speedunits.c_str());
  } else {
    std::snprintf(text, sizeof text,
                  "Trip      %.2f %s in %s, moving %s\n"
                  "          average moving speed %.0f %s, maximum %.0f %s, %zu stop%s\n",
                  trip.distance, l.distunit.c_str(), Duration(trip.seconds).c_str(),
                  Duration(trip.moving_seconds).c_str(), trip.average_moving_speed(), l.speedunits.c_str(),
                  trip.max_speed, l.speedunits.c_str(), trip.stops, trip.stops == 1 ? "" : "s");
  }
  std::string out = text;
  for (const FillUp& fill : result.fill_ups) {
    if (fill.refused()) {
      out += FitWidth("Fill-up   " + fill.quantity + " at " + fill.price + " refused: " + fill.error, 80);
      out += "\n";
      continue;
    }
    const std::vector<std::string> f = LogRecordFields(fill.record);
    if (f.size() < kFuelFieldCount) continue;
    out += FitWidth("Fill-up   " + f[kFuelQuantity] + (imperial ? " gal" : " L") + " at " + f[kFuelPrice] + ": " +
                        f[kFuelConsumption] + " " + l.consumpunits + ", " + f[kFuelCostPerDistance] + " per " +
                        l.distunit,
                    80) +
           "\n";
  }
  return out;
}

}  // namespace trezik::drive
