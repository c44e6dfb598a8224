// How far the plug-in's trip meter is from the length of the drive measured
// on the WGS84 ellipsoid (GeographicLib's geodesics).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/tracks/drive.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/timeline.h"

namespace trezik::drive {

// Below this many distance units a reference is too short for a percentage:
// the few centimetres the formula adds to a standing car would read as
// tens of percent.
inline constexpr double kShortestReference = 0.1;

// What the meter counts of GPS jitter at stops is worth the driver's attention
// (and minspeed=3) above this share of the trip, or above this many metres.
inline constexpr double kStoppedShareWorthNoting = 0.01;
inline constexpr double kStoppedMetresWorthNoting = 100.0;
// The meter is called correct within this share of the reference (or, on
// a reference too short for a share, within this many metres).
inline constexpr double kCorrectWithin = 0.01;
inline constexpr double kCorrectWithinMetres = 10.0;
// Above this share of the log's own track left uncounted, the driver is told
// how much and why.
inline constexpr double kUncountedWorthNoting = 0.05;

struct Accuracy {
  PluginOptions options;           // the run's, from its trezik.ini
  double odometer = 0.0;           // what the meter counted over the whole drive, user units
  // Over the steps the meter counted, each from the fix the plug-in measured
  // it from: GeographicLib's geodesic, and the plug-in's two formulas
  // (greatcircledistance1 on the sphere, Wgs84NauticalMiles) before the
  // calibration.
  double geodesic_counted = 0.0;
  double sphere_counted = 0.0;
  double wgs84_counted = 0.0;
  double geodesic_reported = 0.0;  // of every step between the fixes the host reported
  double geodesic_dropped = 0.0;   // of the steps the plug-in reported dropped
  // The reference: the log's own track, the WGS84 geodesic from each
  // recorded fix to the next, leaving out only steps no car makes (faster
  // than kFillUpToKmh: GPS jumps). It owes nothing to the plug-in's rules.
  double geodesic_recorded = 0.0;
  double recorded_jumps_length = 0.0;  // of the steps left out of it
  // Of the steps the plug-in dropped, those that end a gap the host held.
  std::size_t dropped_after_held_gap = 0;
  double dropped_after_held_gap_length = 0.0;
  // What the meter counted across gaps longer than --max-gap that the host
  // filled in along the straight line, and how many gaps.
  double interpolated = 0.0;
  std::size_t filled_gaps = 0;
  double max_gap_s = 0.0;
  // The option that kept the host from filling gaps in: "--hold" or
  // "--no-fill"; empty when it fills them.
  std::string fill_off;
  std::size_t steps = 0, dropped_steps = 0, recorded_jumps = 0;
  // The ticks the standstill filter held (nothing measured).
  std::size_t held_steps = 0;
  // The ticks the car stood (reported speed under StoppedBelow): how many,
  // what the meter counted in them, the geodesic of the reported positions'
  // wandering over them, and how far the car got across them: from the
  // last tick where it moved to the last of each standing stretch.
  std::size_t standing_ticks = 0;
  double standing_creep = 0.0;
  double standing_geodesic = 0.0;
  double standing_net = 0.0;
  double stopped_below = 0.0;  // StoppedBelow of the run, in the speed unit
  double metres_per_unit = 1000.0;
  // The drive without standstill jitter, as a standstill filter counts it:
  // the WGS84 geodesic of a step into each tick where the car moved
  // (reported speed at or above StoppedBelow) from the last such tick before
  // it (or the first tick), across the ticks it stood, leaving out GPS jumps
  // (steps faster than kFillUpToKmh).
  double geodesic_moving = 0.0;
  // What the meter counted while the car stood beyond how far it got: the
  // fixes' zigzag in place (GPS jitter), or the formula's creep.
  double standing_jitter() const { return standing_creep > standing_net ? standing_creep - standing_net : 0.0; }
  // What the meter is judged against: the log's own track; with the
  // standstill filter in force (minspeed), which the driver set so that the
  // fixes wandering at a stop are not counted, that track without them
  // (geodesic_moving).
  bool filtered() const { return options.trip.minspeed > 0; }
  double reference() const { return filtered() ? geodesic_moving : geodesic_recorded; }
  // odometer / reference - 1; nothing when the reference is too short.
  std::optional<double> moving_error() const;
  // The meter agrees with the reference within kCorrectWithin (or, on a
  // short reference, kCorrectWithinMetres).
  bool correct() const;
  // What of the reference the meter did not count, and that as a share of
  // it (0 when the meter counted as much or more).
  double uncounted() const { return reference() > odometer ? reference() - odometer : 0.0; }
  double uncounted_share() const { return reference() > 0 ? uncounted() / reference() : 0.0; }
  // minspeed would change what the meter counts, and by enough to be worth
  // the driver's while: the meter counted jitter at stops worth noting and
  // the filter is off.
  bool minspeed_worth_setting() const;

  // What the plug-in's formula measured over the counted steps: the meter
  // without its calibration.
  double measured() const { return odometer / options.trip.calibration; }
  // measured / geodesic_counted - 1: the error of the formula the plug-in
  // used alone; nothing when the geodesic is shorter than kShortestReference.
  std::optional<double> formula_error() const;
  // odometer / geodesic_recorded - 1: the formula, the calibration, the
  // once-a-second sampling, the standstill filter and the bound together;
  // nothing when the geodesic is too short.
  std::optional<double> overall_error() const;
};

// `value` / `reference` - 1, or nothing when the reference is shorter than
// kShortestReference.
std::optional<double> RelativeError(double value, double reference);

// Measures the steps between the positions that the plug-in received
// (result.latitudes/longitudes), in the unit of result.multiplier; with the
// run's timeline also what was counted across filled gaps and which dropped
// steps end a held gap.
Accuracy MeasureAccuracy(const Drive& drive, const SimulationResult& result, const Timeline* timeline = nullptr);

// The lines for developers (--details). With distance=wgs84 the spherical
// and the WGS84 formula stand side by side.
std::string DescribeAccuracy(const Accuracy& accuracy, const std::string& unit);

// The driver's lines: the meter against the moving part of the drive and a
// verdict; what was counted while stopped, whether it is GPS jitter, and
// minspeed suggested where it is worth it; the steps dropped as GPS jumps.
// `imperial` picks the speed named (3 km/h or 2 mph) and minspeed's value.
std::string DescribeAccuracyForDriver(const Accuracy& accuracy, const std::string& unit, bool imperial);
// Its parts: the verdict in one sentence ("... which is correct." or "...
// which is wrong."), and the notes on what was interpolated and what could
// not be counted (more than kUncountedWorthNoting of the track), with why.
std::string AccuracyVerdict(const Accuracy& accuracy, const std::string& unit);
std::vector<std::string> AccuracyNotes(const Accuracy& accuracy, const std::string& unit);

}  // namespace trezik::drive
