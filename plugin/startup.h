// The start-up sequence that runs inside the creation of a PWExtension.
#pragma once

#include "core/settings_reader.h"
#include "state/form1.h"

namespace trezik {

inline constexpr char kHostSettingsFileName[] = "pw.ini";
inline constexpr char kPluginSettingsFileName[] = "trezik.ini";

// The ranges of the options in "trezik.ini".
inline constexpr double kMinSpeedLow = 0.5, kMinSpeedHigh = 20.0;
inline constexpr double kCalibrationLow = 0.8, kCalibrationHigh = 1.2;

// What start-up made of one item of "trezik.ini" beside "decimalplaces".
enum class OptionReading {
  kApplied,     // the option takes the value
  kUnknownKey,  // no option has this key: the item is passed over
  kNoValue,     // "key" without "=": the option is off
  kNotANumber,  // the option is off
  kNotWhole,    // "autosave" needs whole seconds: off
  kOutOfRange,  // off
  kNotAChoice,  // "distance" is neither "sphere" nor "wgs84": the sphere
};

// The options of "trezik.ini" beside "decimalplaces": "autosave", "minspeed",
// "calibration" and "distance". Sets the one `item` names to its value, or
// to off when the value is not valid (the last item of a key counts), reading
// numbers with `decimal_mark` or ".". Says what it made of the item, so that
// a tool can show which settings the plug-in passes over, and why.
OptionReading ApplyOption(const SettingsItem& item, char decimal_mark, Form1::TripOptions& trip,
                          int& autosave_seconds);

// Connects the thread's Form1 to the host, reads the settings and loads the
// meters. Errors before the first item of "pw.ini" has been read (that file
// cannot be opened, say) are thrown and fail the creation, leaving what was
// done done; later failures are skipped.
void RunStartUp();

}  // namespace trezik
