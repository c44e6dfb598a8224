// The plug-in's settings: the keys of the host's "pw.ini" it reads
// ("isunits") and of its own "trezik.ini" ("decimalplaces", and the options
// "autosave", "minspeed", "calibration", "distance" and "tank"), with their ranges,
// the rule that reads each, and the one way the tools write these files.
// The plug-in's start-up applies them; a tool (the drive simulator) uses the
// same rule to say what the plug-in will make of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_reader.h"

namespace trezik {

// The keys, matched as the settings reader gives them (core/settings_reader.h).
inline constexpr char kIsUnitsKey[] = "isunits";
inline constexpr char kDecimalPlacesKey[] = "decimalplaces";
inline constexpr char kAutosaveKey[] = "autosave";
inline constexpr char kMinSpeedKey[] = "minspeed";
inline constexpr char kCalibrationKey[] = "calibration";
inline constexpr char kDistanceKey[] = "distance";
inline constexpr char kTankKey[] = "tank";
// The two values of "distance" (any letter case), and the words "isunits"
// is written with.
inline constexpr char kSphereChoice[] = "sphere";
inline constexpr char kWgs84Choice[] = "wgs84";
inline constexpr char kTrueWord[] = "True";
inline constexpr char kFalseWord[] = "False";
// The section the host writes at the top of its "pw.ini".
inline constexpr char kHostSettingsSection[] = "PathWarden";

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
  double tank = 0.0;         // the tank's size in the volume unit; 0: not given
};

// The ranges of the options.
inline constexpr double kMinSpeedLow = 0.5, kMinSpeedHigh = 20.0;
inline constexpr double kCalibrationLow = 0.8, kCalibrationHigh = 1.2;
inline constexpr int kAutosaveMinSeconds = 10;
inline constexpr int kAutosaveMaxSeconds = 3600;
inline constexpr double kTankLow = 5.0, kTankHigh = 500.0;

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
OptionReading ApplyOption(const SettingsItem& item, char decimal_mark, PluginOptions& options);

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

// A settings file as a tool writes one for the plug-in (a test host's
// "pw.ini", a run's "trezik.ini"): one line per section or item, each ended
// by CR LF.
class SettingsWriter {
 public:
  // "[NAME]".
  SettingsWriter& Section(std::string_view name);
  // "KEY=VALUE".
  SettingsWriter& Item(std::string_view key, std::string_view value);
  // An item as it was given ("minspeed=3" on a tool's command line).
  SettingsWriter& Item(std::string_view item);
  // "isunits=True" for metric units, "isunits=False" for imperial ones.
  SettingsWriter& Units(bool metric_units);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace trezik
