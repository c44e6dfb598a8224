// How the meters stand towards "tripmeter.ini". Its one writer is the state
// file (state_file.cc); everyone else reads it through Form1::state_file().
#pragma once

#include <optional>
#include <string>

namespace trezik {

struct StateFileStatus {
  // Start-up read the meters from the file, or found none. Until then the
  // meters are start values, and no automatic save may write them over a
  // file that may hold the driver's total.
  bool loaded = false;
  // Start-up found the file but could not read it: the meters count this
  // session from their start values, and every save reads the file first.
  bool load_pending = false;
  // While the read is pending, the session set the total or the work meter
  // anew: a late read keeps the session's value of that meter.
  bool total_set = false;
  bool work_set = false;
  // A file whose meters did not read as two numbers, kept as
  // "tripmeter.ini.bad" before the first save over it.
  std::optional<std::string> unreadable_content;
  // What the file holds as far as the plug-in knows; a save that would
  // write the same is skipped by the automatic saves.
  std::string saved_content;
  // The meters, as the file would hold them, when they were last read from
  // or written to it: the session changed them when they differ now. Empty
  // while the session's count was added to a file read late.
  std::string meters_at_file;
  // Seconds since the last save, counted by the autosave.
  int seconds_since_save = 0;
};

}  // namespace trezik
