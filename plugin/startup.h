// The start-up sequence that runs inside the creation of a PWExtension.
#pragma once

namespace trezik {

inline constexpr char kHostSettingsFileName[] = "pw.ini";
inline constexpr char kPluginSettingsFileName[] = "trezik.ini";

// The ranges of the options in "trezik.ini".
inline constexpr double kMinSpeedLow = 0.5, kMinSpeedHigh = 20.0;
inline constexpr double kCalibrationLow = 0.8, kCalibrationHigh = 1.2;

// Connects the thread's Form1 to the host, reads the settings and loads the
// meters. Errors before the first item of "pw.ini" has been read (that file
// cannot be opened, say) are thrown and fail the creation, leaving what was
// done done; later failures are skipped.
void RunStartUp();

}  // namespace trezik
