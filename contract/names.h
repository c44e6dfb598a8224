// The plug-in's id and the names of the files it reads and writes, each
// spelled here once. The plug-in, the hosts and the tools take them from
// here; a tool that shows one of these names to its user takes it from here
// too when it looks the file up.
#pragma once

namespace trezik {

// The plug-in's id: the title of its hidden window (state/form1.cc), which
// the host sends its replies to, and the id in every request it sends.
inline constexpr char kPluginId[] = "trezik";

// In the host's folder: the host's settings ("isunits").
inline constexpr char kHostSettingsFileName[] = "pw.ini";

// In the plug-in's folder:
// its settings (contract/settings.h);
inline constexpr char kPluginSettingsFileName[] = "trezik.ini";
// the trip state file (state/state_file.h), the temporary copy a save writes
// before it renames it over the file, and the copy of a content that did not
// read as two numbers;
inline constexpr char kTripStateFileName[] = "tripmeter.ini";
inline constexpr char kTemporaryFileSuffix[] = ".new";
inline constexpr char kUnreadableStateFileName[] = "tripmeter.ini.bad";
// the two logs (contract/log_record.h): one record per "logtrip", one per
// accepted fill-up;
inline constexpr char kTripLogFileName[] = "tripmeter.log";
inline constexpr char kFuelLogFileName[] = "fuel.log";
// what a partial fill-up carries to the next full tank (state/fuel_carry_file.h).
inline constexpr char kFuelCarryFileName[] = "fuelcarry.ini";

}  // namespace trezik
