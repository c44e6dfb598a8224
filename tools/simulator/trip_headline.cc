#include "tools/simulator/trip_headline.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>

#include "contract/log_record.h"
#include "tools/simulator/display.h"
#include "tools/simulator/text_width.h"

namespace trezik::drive {

double TripHeadline::average_moving_speed() const {
  return moving_seconds > 0 ? moving_distance / (moving_seconds / 3600.0) : 0.0;
}

TripHeadline MeasureTrip(const SimulationResult& result) {
  TripHeadline trip;
  trip.distance = result.odometer;
  trip.seconds = result.ticks.empty() ? 0 : result.ticks.back().second - result.ticks.front().second;
  const double stopped_below = StoppedBelow(result.multiplier);
  std::set<int> dropped;
  for (const DroppedStep& step : result.dropped) dropped.insert(step.second);
  bool moved = false;
  int standing = 0;
  for (std::size_t i = 0; i < result.ticks.size(); ++i) {
    const TickRecord& tick = result.ticks[i];
    if (dropped.count(tick.second)) continue;
    trip.max_speed = std::max(trip.max_speed, tick.speed);
    // Across a held gap whose two sides show no motion the car stood, whatever
    // speed the host kept reporting.
    if (tick.speed >= stopped_below && !tick.held_standing) {
      moved = true;
      standing = 0;
      if (i == 0) continue;  // the first tick has no step: it starts the trip's time
      ++trip.moving_seconds;
      trip.moving_distance += i < result.counted.size() ? result.counted[i] : 0.0;
    } else if (moved && ++standing == kShortestStopSeconds) {
      ++trip.stops;
    }
  }
  // The positions went faster than the speeds reported (a receiver's speed
  // that lags, the step across a held gap the car drove through): the car
  // went at least its average.
  if (trip.average_moving_speed() > trip.max_speed) {
    trip.max_speed = trip.average_moving_speed();
    trip.max_from_steps = true;
  }
  return trip;
}

std::string DescribeTrip(const TripHeadline& trip, const SimulationResult& result, bool imperial) {
  const Labels& l = result.final_labels;
  char text[512];
  if (trip.moving_seconds == 0) {
    std::snprintf(text, sizeof text,
                  "Trip      %.2f %s in %s, never moving\n"
                  "          (the reported speed stayed under %s, at most %.0f %s)\n",
                  trip.distance, l.distunit.c_str(), HoursMinutesSeconds(trip.seconds).c_str(),
                  imperial ? "2 mph" : "3 km/h", trip.max_speed, l.speedunits.c_str());
  } else {
    std::snprintf(text, sizeof text,
                  "Trip      %.2f %s in %s, moving %s\n"
                  "          average moving speed %.0f %s, maximum %.0f %s%s, %zu stop%s\n",
                  trip.distance, l.distunit.c_str(), HoursMinutesSeconds(trip.seconds).c_str(),
                  HoursMinutesSeconds(trip.moving_seconds).c_str(), trip.average_moving_speed(),
                  l.speedunits.c_str(), trip.max_speed, l.speedunits.c_str(),
                  trip.max_from_steps ? " (from the positions)" : "",
                  trip.stops, trip.stops == 1 ? "" : "s");
  }
  std::string out = text;
  for (const FillUp& fill : result.fill_ups) {
    if (fill.refused()) {
      out += FitWidth("Fill-up   " + fill.quantity + " at " + fill.price + " refused: " + fill.error, 80);
      out += "\n";
      continue;
    }
    const std::optional<FuelLogFields> f = ReadFuelRecord(fill.record);
    if (!f) continue;
    const std::string filled = "Fill-up   " + f->quantity + (imperial ? " gal" : " L") + " at " + f->price;
    const std::optional<FuelMark> mark = f->mark ? ReadFuelMark(*f->mark) : std::nullopt;
    std::string figures;
    if (mark && mark->partial) {
      figures = ": partial, no figure; its fuel counts at the next full tank";
    } else if (mark && mark->missed) {
      figures = ": no figure, a fill-up since the last full tank was not keyed in";
    } else {
      figures = ": " + f->consumption + " " + l.consumpunits + ", " + f->cost_per_distance + " per " +
                l.distunit;
    }
    out += FitWidth(filled + figures, 80) + "\n";
  }
  return out;
}

}  // namespace trezik::drive
