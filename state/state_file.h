// The trip state file "tripmeter.ini" in the plug-in's folder: the text of
// trip_total and then of workmeter, each ended by CR LF.
//
// The file holds the driver's total, so it is only ever replaced whole (a
// temporary file, flushed, renamed over it), and the automatic saves write
// only meters that start-up really loaded.
#pragma once

#include <string>

#include "contract/names.h"

namespace trezik {

class Form1;


// Sets trip_total and workmeter from the file. A missing file is created
// holding "0" twice and both meters become "0", unless a complete
// "tripmeter.ini.new" lies there alone (a save cut between the removal of the
// old file and the rename), which is put in place and read. A file that
// exists but cannot be read is tried again for about half a second; if it
// still fails the meters count the session from their start values, and
// every save first tries the file again and adds the session's meters to
// it (see NoteMeterSet). Content that is not two numbers is read by the
// reading rule (0 for a value that is not a number, a short file keeps what
// was not read) and kept aside for a ".bad" copy. Never throws.
void LoadTripState(Form1& form);

// The meters the file keeps.
enum class SavedMeter { kTotal, kWork };

// Start-up loaded the meters, and the session changed them (a drive, the
// host's total, a reset) since they were last read from or written to the
// file: they are the newer, and a second object saves them before it reads.
bool MetersChangedSinceFile(const Form1& form);

// The session set a saved meter anew (a reset, a fill-up, the host's total).
// Should the file be read only later, that meter keeps the session's value
// instead of adding the session's count to the file's.
void NoteMeterSet(Form1& form, SavedMeter meter);

// A command set a saved meter anew ("resettotal", "resetwork", a fill-up):
// noted as above and saved at once by the automatic save's rule, so that a
// power cut cannot bring the old value back. A failed save changes nothing
// for the command; the next save tries again.
void SaveReset(Form1& form, SavedMeter meter) noexcept;

// The automatic save (teardown, end of session, the last release, autosave,
// the commands that reset a saved meter): writes the meters when they are
// the file's (start-up loaded them, or a late read succeeds now) and differ
// from what the file holds. Failures are swallowed: the old file stays
// whole, and the next save tries again. True when the file now holds the
// meters.
bool AutoSaveMeters(Form1& form) noexcept;

// Writes a file of the plug-in whole: a temporary file beside it, flushed,
// then renamed over it, so a failure (or a power cut) leaves the old file as
// it was. Throws the file error.
void WriteFileWhole(const std::string& path, const std::string& content);

// One second of autosave: saves once the interval has passed since the last
// save and the meters changed. Does nothing while autosave is off.
void AutosaveTick(Form1& form) noexcept;

}  // namespace trezik
