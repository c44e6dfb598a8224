// The driver's lines of the accuracy: the meter against the log's own track
// with a verdict, what was filled in, what could not be counted and why, and
// what was counted while the car stood.
#include <cmath>
#include <cstdio>

#include "contract/names.h"
#include "contract/settings.h"
#include "tools/simulator/accuracy.h"
#include "tools/simulator/display.h"

namespace trezik::drive {

std::string AccuracyVerdict(const Accuracy& a, const std::string& unit) {
  const char* u = unit.c_str();
  char line[512];
  std::string text;
  std::snprintf(line, sizeof line,
                "The plug-in's meter counted %.2f %s. The log's own track measures %.2f %s (the WGS84 geodesic "
                "from each recorded fix to the next",
                a.odometer, u, a.geodesic_recorded, u);
  text += line;
  if (a.recorded_jumps > 0) {
    std::snprintf(line, sizeof line, "; %zu GPS jump(s) faster than %.0f km/h left out, %.2f %s", a.recorded_jumps,
                  kFillUpToKmh, a.recorded_jumps_length, u);
    text += line;
  }
  text += ")";
  if (a.filtered()) {
    std::snprintf(line, sizeof line,
                  ", %.2f %s without the fixes' wandering while the car stood (reported speed under %g %s), which "
                  "minspeed=%g keeps off the meter",
                  a.geodesic_moving, u, a.stopped_below, a.metres_per_unit == 1000.0 ? "km/h" : "mph",
                  a.options.trip.minspeed);
    text += line;
  }
  text += ": ";
  if (const auto error = a.moving_error()) {
    std::snprintf(line, sizeof line, "the meter is off by %+.2f %%", *error * 100.0);
  } else {
    const double more = a.odometer - a.reference();
    if (std::abs(more) < 0.005) {
      std::snprintf(line, sizeof line, "the meter agrees with it");
    } else {
      std::snprintf(line, sizeof line, "the meter counted %.2f %s %s than that", std::abs(more), u,
                    more > 0 ? "more" : "less");
    }
  }
  text += line;
  text += a.correct() ? ", which is correct." : ", which is wrong.";
  return text;
}

std::vector<std::string> AccuracyNotes(const Accuracy& a, const std::string& unit) {
  const char* u = unit.c_str();
  char line[512];
  std::vector<std::string> notes;
  if (a.filled_gaps > 0) {
    std::snprintf(line, sizeof line,
                  "Interpolated: the host filled %zu gap(s) longer than %g s along the straight line, one position "
                  "a second; the meter counted %.2f %s across them.",
                  a.filled_gaps, a.max_gap_s, a.interpolated, u);
    notes.push_back(line);
  }
  if (a.uncounted_share() > kUncountedWorthNoting) {
    std::snprintf(line, sizeof line, "Not counted: %.2f %s, %.1f %% of %s: ", a.uncounted(), u,
                  a.uncounted_share() * 100.0, a.filtered() ? "that" : "the log's own track");
    std::string note = line;
    if (a.dropped_after_held_gap > 0) {
      std::snprintf(line, sizeof line,
                    "across %zu gap(s) the host held the last fix, and the plug-in dropped the step to the next "
                    "fix (%.2f %s) as 2 %s or more in one second%s%s%s",
                    a.dropped_after_held_gap, a.dropped_after_held_gap_length, u, u,
                    a.fill_off.empty() ? "" : " (without ", a.fill_off.c_str(),
                    a.fill_off.empty() ? "" : " the host fills such gaps in)");
      note += line;
    } else if (a.dropped_steps > 0) {
      std::snprintf(line, sizeof line, "the plug-in dropped %zu step(s) of 2 %s or more in one second (%.2f %s)",
                    a.dropped_steps, u, a.geodesic_dropped, u);
      note += line;
    } else if (a.options.trip.minspeed > 0) {
      std::snprintf(line, sizeof line, "the standstill filter minspeed=%g held %zu tick(s)", a.options.trip.minspeed,
                    a.held_steps);
      note += line;
    } else {
      note += "the plug-in's formula and the once-a-second sampling measured the track shorter";
    }
    notes.push_back(note + ".");
  }
  return notes;
}

std::string DescribeAccuracyForDriver(const Accuracy& a, const std::string& unit, bool imperial) {
  const char* u = unit.c_str();
  const char* stopped = imperial ? "2 mph" : "3 km/h";
  const std::string minspeed = std::string(kMinSpeedKey) + (imperial ? "=2" : "=3");
  char line[512];
  std::string text = "  " + AccuracyVerdict(a, unit) + "\n";
  for (const std::string& note : AccuracyNotes(a, unit)) text += "  " + note + "\n";
  if (a.standing_ticks > 0) {
    std::snprintf(line, sizeof line, "  Counted while stopped (reported speed under %s): %.2f %s in %s", stopped,
                  a.standing_creep, u, HoursMinutesSeconds(static_cast<int>(a.standing_ticks)).c_str());
    text += line;
    const double jitter = a.standing_jitter();
    if (jitter >= 0.005) {  // shows as 0.01 or more
      if (a.standing_geodesic < 0.5 * a.standing_creep) {
        std::snprintf(line, sizeof line,
                      "; %.2f %s of it while the reported position hardly moved: the plug-in's formula counts a "
                      "little each second even for a car that stands.",
                      jitter, u);
      } else {
        std::snprintf(line, sizeof line,
                      "; %.2f %s of it is GPS jitter, the reported position wandering in place while the car "
                      "stood.",
                      jitter, u);
      }
      text += line;
    } else {
      text += a.standing_creep * a.metres_per_unit >= 1.0 ? "; the car crept on: no GPS jitter to speak of." : ".";
    }
    if (a.minspeed_worth_setting()) {
      text += std::string(" Set ") + minspeed + " in " + kPluginSettingsFileName + " (here: --option=" + minspeed +
              ") to hold the meter while the car stands.";
    }
    text += "\n";
  }
  if (a.dropped_steps > 0) {
    std::snprintf(line, sizeof line, "  Dropped as a GPS jump: %zu step(s), %.2f %s not counted.\n", a.dropped_steps,
                  a.geodesic_dropped, u);
    text += line;
  }
  return text;
}

}  // namespace trezik::drive
