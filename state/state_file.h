// The trip state file "tripmeter.ini" in the plug-in's folder: the text of
// trip_total and then of workmeter, each ended by CR LF.
//
// The file holds the driver's total, so it is only ever replaced whole (a
// temporary file, flushed, renamed over it), and the automatic saves write
// only meters that start-up really loaded.
#pragma once

#include <string>

namespace trezik {

class Form1;

inline constexpr char kTripStateFileName[] = "tripmeter.ini";
// A copy of a state file whose content did not read as two numbers.
inline constexpr char kUnreadableStateFileName[] = "tripmeter.ini.bad";

// Autosave intervals accepted from "trezik.ini", in seconds.
inline constexpr int kAutosaveMinSeconds = 10;
inline constexpr int kAutosaveMaxSeconds = 3600;

// Sets trip_total and workmeter from the file. A missing file is created
// holding "0" twice and both meters become "0". A file that exists but
// cannot be read is tried again for about half a second; if it still fails
// the meters keep their start values and the file is left alone by the
// automatic saves. Content that is not two numbers is read by the reading
// rule (0 for a value that is not a number, a short file keeps what was not
// read) and kept aside for a ".bad" copy. Never throws.
void LoadTripState(Form1& form);

// The automatic save (teardown, end of session, the last release,
// autosave): writes the meters when start-up loaded them and they differ
// from what the file holds. Failures are swallowed: the old file stays whole.
void AutoSaveMeters(Form1& form) noexcept;

// One second of autosave: saves once the interval has passed since the last
// save and the meters changed. Does nothing while autosave is off.
void AutosaveTick(Form1& form) noexcept;

}  // namespace trezik
