// The options of the plug-in's "trezik.ini" beside "decimalplaces":
// "autosave", "minspeed", "calibration" and "distance", with their ranges and
// the rule that reads each. The plug-in's start-up applies them; a tool (the
// drive simulator) uses the same rule to say what the plug-in will make of a
// file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_reader.h"

namespace trezik {

// How steps are counted. The defaults count every step as the plug-in
// always has.
struct TripOptions {
  double minspeed = 0.0;     // standstill filter in the speed unit; 0 is off
  double calibration = 1.0;  // every counted step is multiplied by it
  bool wgs84 = false;        // steps measured on the WGS84 ellipsoid
};

// Every option of "trezik.ini" beside "decimalplaces".
struct PluginOptions {
  TripOptions trip;
  int autosave_seconds = 0;  // autosave every this many seconds; 0 is off
};

// The ranges of the options.
inline constexpr double kMinSpeedLow = 0.5, kMinSpeedHigh = 20.0;
inline constexpr double kCalibrationLow = 0.8, kCalibrationHigh = 1.2;
inline constexpr int kAutosaveMinSeconds = 10;
inline constexpr int kAutosaveMaxSeconds = 3600;

// What was made of one item of "trezik.ini" beside "decimalplaces".
enum class OptionReading {
  kApplied,     // the option takes the value
  kUnknownKey,  // no option has this key: the item is passed over
  kNoValue,     // "key" without "=": the option is off
  kNotANumber,  // the option is off
  kNotWhole,    // "autosave" needs whole seconds: off
  kOutOfRange,  // off
  kNotAChoice,  // "distance" is neither "sphere" nor "wgs84": the sphere
};

// Sets the option `item` names to its value, or to off when the value is not
// valid (the last item of a key counts), reading numbers with
// `decimal_mark` or ".". Says what it made of the item, so that a tool can
// show which settings the plug-in passes over, and why.
OptionReading ApplyOption(const SettingsItem& item, char decimal_mark, TripOptions& trip,
                          int& autosave_seconds);
inline OptionReading ApplyOption(const SettingsItem& item, char decimal_mark,
                                 PluginOptions& options) {
  return ApplyOption(item, decimal_mark, options.trip, options.autosave_seconds);
}

// One item of "trezik.ini" and what the plug-in made of it.
struct SettingsItemReading {
  std::string text;  // as written
  SettingsItem item;
  // "decimalplaces": the places its value reads as, or nothing when it does
  // not convert (the places before stay).
  std::optional<std::int16_t> places;
  // Every other key.
  OptionReading reading = OptionReading::kUnknownKey;
};

// Everything the plug-in takes from its "trezik.ini".
struct PluginSettings {
  std::int16_t decimal_places = 2;
  PluginOptions options;
  std::vector<SettingsItemReading> items;  // in file order, empty items too
};
inline constexpr char kDecimalPlacesKey[] = "decimalplaces";

// Reads the content of "trezik.ini" as the plug-in's start-up does: its
// first 64 KiB, item by item; the last valid "decimalplaces" and the last
// item of each option count. An item that cannot be read ends the reading
// with what came before it.
PluginSettings ReadPluginSettings(std::string_view content, char decimal_mark);

// What the plug-in takes from the host's "pw.ini": the unit system
// ("isunits"; metric when the file does not say).
struct HostSettings {
  bool metric_units = true;
};
HostSettings ReadHostSettings(std::string_view content, char decimal_mark);

}  // namespace trezik
