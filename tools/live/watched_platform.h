// The emulated platform of trezik-live with an eye on the files the plug-in
// keeps: its automatic saves of the meters (autosave, a reset's save, the
// save at its release) and its writes of what a fill-up carries swallow
// their failures, as they must inside the front end, but a driver of
// trezik-live has to hear of them. Every write of "tripmeter.ini" and of
// "fuelcarry.ini" (and of their ".new" and ".bad" companions) passes the
// seam; here its outcome is noted on the way. Plug-in's thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/emulation.h"

namespace trezik::live {

struct SaveRecord {
  int failures = 0;        // failed saves since the start
  bool failing = false;    // the latest save failed
  std::string last_error;  // why the latest failed save failed
};

// The records the plug-in appended to its logs since the start.
struct LogAppends {
  std::uint64_t trips = 0;     // to tripmeter.log
  std::uint64_t fill_ups = 0;  // to fuel.log
};

class WatchedPlatform : public EmulatedPlatform {
 public:
  // The saves of "tripmeter.ini".
  const SaveRecord& saves() const { return meters_; }
  // Those of "fuelcarry.ini".
  const SaveRecord& carry_saves() const { return carry_; }
  // The records the plug-in appended to its logs since the start.
  const LogAppends& log_appends() const { return log_appends_; }

  void AppendToFile(const std::string& path, std::string_view bytes) override;
  void WriteNewFile(const std::string& path, std::string_view bytes) override;
  void ReplaceFileByRename(const std::string& from, const std::string& to) override;

 private:
  SaveRecord* RecordOf(std::string_view path);
  void Failed(const std::string& path, const Error& error);

  SaveRecord meters_;
  SaveRecord carry_;
  LogAppends log_appends_;
};

// Whether `path` (written with "\" or "/") is the state file or one of its
// companions.
bool IsStateFilePath(std::string_view path);

}  // namespace trezik::live
