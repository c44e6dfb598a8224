#include "tools/simulator/accuracy.h"

#include <cmath>
#include <cstdio>
#include <set>

#include "core/error.h"
#include "tools/simulator/timeline.h"
#include "tools/simulator/trip_headline.h"
#include "trip/distance.h"
#include "trip/units.h"
#include "trip/wgs84.h"

namespace trezik::drive {

namespace {

// Nautical miles by one of the plug-in's formulas; 0 where it throws (equal
// fixes divide by zero in the spherical one).
template <typename Formula>
double NauticalMilesOrZero(Formula formula, double lat1, double lon1, double lat2, double lon2) {
  try {
    return formula(lat1, lat2, lon1, lon2);
  } catch (const Error&) {
    return 0.0;
  }
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "-> <what> is off by -0.151 %", or, against too short a reference, the
// difference in distance units.
std::string Against(double value, double reference, const std::string& what, const std::string& unit) {
  if (const auto error = RelativeError(value, reference)) {
    return "-> " + what + " is off by " + Format("%+.3f", *error * 100.0) + " %";
  }
  return "-> too short for a percentage: " + what + " differs by " + Format("%+.4f", value - reference) + " " + unit;
}

}  // namespace

std::optional<double> RelativeError(double value, double reference) {
  if (!(reference >= kShortestReference)) return std::nullopt;
  return value / reference - 1.0;
}

std::optional<double> Accuracy::formula_error() const { return RelativeError(measured(), geodesic_counted); }

std::optional<double> Accuracy::overall_error() const { return RelativeError(odometer, geodesic_recorded); }

std::optional<double> Accuracy::moving_error() const { return RelativeError(odometer, reference()); }

bool Accuracy::correct() const {
  if (const auto error = moving_error()) return std::abs(*error) <= kCorrectWithin;
  return std::abs(odometer - reference()) * metres_per_unit <= kCorrectWithinMetres;
}

bool Accuracy::minspeed_worth_setting() const {
  if (options.trip.minspeed != 0 || standing_creep <= 0.0 || odometer <= 0.0) return false;
  const double jitter = standing_jitter();
  if (jitter < 0.005) return false;  // would show as 0.00
  return jitter / odometer > kStoppedShareWorthNoting || jitter * metres_per_unit > kStoppedMetresWorthNoting;
}

Accuracy MeasureAccuracy(const Drive& drive, const SimulationResult& result, const Timeline* timeline) {
  Accuracy accuracy;
  accuracy.options = result.plugin_options;
  const double metres_per_unit = result.multiplier * 1000.0;
  const double nautical_miles_per_unit = result.multiplier / kKilometresPerNauticalMile;
  accuracy.metres_per_unit = metres_per_unit;
  accuracy.stopped_below = StoppedBelow(result.multiplier);
  accuracy.odometer = result.odometer;
  std::set<int> dropped;
  for (const DroppedStep& step : result.dropped) dropped.insert(step.second);
  accuracy.dropped_steps = dropped.size();
  const auto& lat = result.latitudes;
  const auto& lon = result.longitudes;
  // Tick i's step from tick i - 1, classed by the speed reported for tick i;
  // `anchor` is the last tick where the car moved (or the first tick).
  std::size_t anchor = 0;
  double stretch_net = 0.0;  // how far the car has got in the standing stretch going on
  // A step no car makes: faster than kFillUpToKmh over the seconds it took.
  auto jump = [](double metres, double seconds) { return metres > kFillUpToKmh / 3.6 * seconds; };
  auto classify = [&](std::size_t i, double metres) {
    if (i >= result.ticks.size() || i >= result.counted.size()) return;
    if (result.ticks[i].speed >= accuracy.stopped_below) {
      const double step = i == 0 ? 0.0 : anchor == i - 1 ? metres : GeodesicMetres(lat[anchor], lon[anchor], lat[i], lon[i]);
      if (!jump(step, static_cast<double>(i - anchor))) accuracy.geodesic_moving += step;
      accuracy.standing_net += stretch_net;
      stretch_net = 0.0;
      anchor = i;
      return;
    }
    ++accuracy.standing_ticks;
    accuracy.standing_creep += result.counted[i];
    accuracy.standing_geodesic += metres;
    if (i > 0) {
      const double got = GeodesicMetres(lat[anchor], lon[anchor], lat[i], lon[i]);
      stretch_net = jump(got, static_cast<double>(i - anchor)) ? 0.0 : got;
    }
  };
  classify(0, 0.0);
  for (std::size_t i = 1; i < lat.size(); ++i) {
    const double metres = GeodesicMetres(lat[i - 1], lon[i - 1], lat[i], lon[i]);
    ++accuracy.steps;
    accuracy.geodesic_reported += metres;
    if (dropped.count(static_cast<int>(i))) {
      accuracy.geodesic_dropped += metres;
      if (timeline && timeline->HeldStep(result.ticks[i].second)) {
        ++accuracy.dropped_after_held_gap;
        accuracy.dropped_after_held_gap_length += metres;
      }
    }
    classify(i, metres);
    if (timeline && i < result.counted.size() && timeline->FilledStep(result.ticks[i].second)) {
      accuracy.interpolated += result.counted[i];
    }

    const int origin = i < result.step_origins.size() ? result.step_origins[i] : static_cast<int>(i) - 1;
    const double counted = i < result.counted.size() ? result.counted[i] : 0.0;
    if (origin < 0) ++accuracy.held_steps;
    if (counted != 0.0) {
      const std::size_t from = origin < 0 ? i - 1 : static_cast<std::size_t>(origin);
      accuracy.geodesic_counted += from == i - 1 ? metres : GeodesicMetres(lat[from], lon[from], lat[i], lon[i]);
      accuracy.sphere_counted += NauticalMilesOrZero(greatcircledistance1, lat[from], lon[from], lat[i], lon[i]);
      accuracy.wgs84_counted += NauticalMilesOrZero(Wgs84NauticalMiles, lat[from], lon[from], lat[i], lon[i]);
    }
  }
  accuracy.standing_net += stretch_net;
  for (std::size_t i = 1; i < drive.fixes.size(); ++i) {
    const Fix& a = drive.fixes[i - 1];
    const Fix& b = drive.fixes[i];
    const double metres = GeodesicMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    if (jump(metres, b.time - a.time)) {
      ++accuracy.recorded_jumps;
      accuracy.recorded_jumps_length += metres;
    } else {
      accuracy.geodesic_recorded += metres;
    }
  }
  if (timeline) {
    accuracy.filled_gaps = timeline->filled_gaps();
    accuracy.max_gap_s = timeline->options().max_gap_s;
    if (timeline->options().between == Between::kHold) {
      accuracy.fill_off = "--hold";
    } else if (timeline->options().fill_kmh <= 0) {
      accuracy.fill_off = "--no-fill";
    }
  }
  accuracy.recorded_jumps_length /= metres_per_unit;
  accuracy.dropped_after_held_gap_length /= metres_per_unit;
  accuracy.geodesic_counted /= metres_per_unit;
  accuracy.geodesic_reported /= metres_per_unit;
  accuracy.geodesic_dropped /= metres_per_unit;
  accuracy.geodesic_recorded /= metres_per_unit;
  accuracy.standing_geodesic /= metres_per_unit;
  accuracy.geodesic_moving /= metres_per_unit;
  accuracy.standing_net /= metres_per_unit;
  accuracy.sphere_counted /= nautical_miles_per_unit;
  accuracy.wgs84_counted /= nautical_miles_per_unit;
  return accuracy;
}

std::string DescribeAccuracy(const Accuracy& a, const std::string& unit) {
  const char* u = unit.c_str();
  const PluginOptions& o = a.options;
  std::string text;
  char line[512];
  std::snprintf(line, sizeof line, "  trip meter, whole drive:                %.4f %s", a.odometer, u);
  text += line;
  if (o.trip.calibration != 1.0) {
    std::snprintf(line, sizeof line, "  (calibration %g: %.4f %s as measured)", o.trip.calibration, a.measured(), u);
    text += line;
  }
  text += "\n";
  std::snprintf(line, sizeof line, "  WGS84 geodesic of the counted steps:    %.4f %s\n", a.geodesic_counted, u);
  text += line;
  if (!o.trip.wgs84) {
    text += "    " + Against(a.measured(), a.geodesic_counted, "the spherical formula", unit) + "\n";
  } else {
    // distance=wgs84: the formula the meter used beside the one it replaced,
    // both over the same counted steps.
    std::snprintf(line, sizeof line, "    spherical formula (greatcircledistance1) over them: %.4f %s\n      ",
                  a.sphere_counted, u);
    text += line + Against(a.sphere_counted, a.geodesic_counted, "it", unit) + "\n";
    std::snprintf(line, sizeof line,
                  "    WGS84 formula (Wgs84NauticalMiles, distance=wgs84, the meter's): %.4f %s\n      ",
                  a.wgs84_counted, u);
    text += line + Against(a.wgs84_counted, a.geodesic_counted, "it", unit) + "\n";
  }
  std::snprintf(line, sizeof line,
                "  WGS84 geodesic of all reported steps:   %.4f %s\n    (%zu step(s) dropped by the 2-unit bound: "
                "%.4f %s)\n",
                a.geodesic_reported, u, a.dropped_steps, a.geodesic_dropped, u);
  text += line;
  std::snprintf(line, sizeof line, "  WGS84 geodesic along the recorded fixes: %.4f %s\n    ", a.geodesic_recorded, u);
  text += line + Against(a.odometer, a.geodesic_recorded, "the meter", unit) + (a.overall_error() ? " in all" : "") + "\n";
  std::snprintf(line, sizeof line, "    (leaving out %zu step(s) between recorded fixes faster than %.0f km/h)\n",
                a.recorded_jumps, kFillUpToKmh);
  text += line;
  if (o.trip.minspeed > 0) {
    std::snprintf(line, sizeof line, "  standstill filter minspeed=%g held %zu tick(s)\n", o.trip.minspeed, a.held_steps);
    text += line;
  }
  if (a.standing_ticks > 0) {
    std::snprintf(line, sizeof line,
                  "  while the car stood (%zu tick(s) with a reported speed under %g %s):\n"
                  "    the meter crept %.4f %s; the reported positions wandered %.4f %s\n"
                  "    (WGS84 geodesic) over those ticks\n",
                  a.standing_ticks, a.stopped_below, a.metres_per_unit == 1000.0 ? "km/h" : "mph", a.standing_creep,
                  u, a.standing_geodesic, u);
    text += line;
  }
  return text;
}

}  // namespace trezik::drive
