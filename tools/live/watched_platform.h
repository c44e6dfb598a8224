// The emulated platform of trezik-live with an eye on the saves of the
// meters: the plug-in's automatic saves (autosave, a reset's save, the save
// at its release) swallow their failures, as they must inside the front
// end, but a driver of trezik-live has to hear of them. Every write of
// "tripmeter.ini" (and of its ".new" and ".bad" companions) passes the seam;
// here its outcome is noted on the way. Plug-in's thread only.
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
  const SaveRecord& saves() const { return saves_; }
  const LogAppends& log_appends() const { return log_appends_; }

  void AppendToFile(const std::string& path, std::string_view bytes) override;
  void WriteNewFile(const std::string& path, std::string_view bytes) override;
  void ReplaceFileByRename(const std::string& from, const std::string& to) override;

 private:
  void Failed(const std::string& path, const Error& error);

  SaveRecord saves_;
  LogAppends log_appends_;
};

// Whether `path` (written with "\" or "/") is the state file or one of its
// companions.
bool IsStateFilePath(std::string_view path);

}  // namespace trezik::live
