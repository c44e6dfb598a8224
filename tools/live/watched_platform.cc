#include "tools/live/watched_platform.h"

#include "core/error.h"
#include "contract/names.h"

namespace trezik::live {

bool IsStateFilePath(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.rfind(kTripStateFileName, 0) == 0;
}

void WatchedPlatform::Failed(const std::string& path, const Error& error) {
  if (!IsStateFilePath(path)) return;
  ++saves_.failures;
  saves_.failing = true;
  // The emulation names files as Windows does; the driver knows them by
  // their Linux names.
  std::string what = error.what();
  for (char& c : what) c = c == '\\' ? '/' : c;
  saves_.last_error = what.empty() ? ErrorKindName(error.kind()) : what;
}

void WatchedPlatform::AppendToFile(const std::string& path, std::string_view bytes) {
  EmulatedPlatform::AppendToFile(path, bytes);
  const auto slash = path.find_last_of("\\/");
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name == kTripLogFileName) ++log_appends_.trips;
  if (name == kFuelLogFileName) ++log_appends_.fill_ups;
}

void WatchedPlatform::WriteNewFile(const std::string& path, std::string_view bytes) {
  try {
    EmulatedPlatform::WriteNewFile(path, bytes);
  } catch (const Error& error) {
    Failed(path, error);
    throw;
  }
}

void WatchedPlatform::ReplaceFileByRename(const std::string& from, const std::string& to) {
  try {
    EmulatedPlatform::ReplaceFileByRename(from, to);
  } catch (const Error& error) {
    Failed(to, error);
    throw;
  }
  // The state file in place: a save has succeeded.
  if (IsStateFilePath(to) && to.find(kUnreadableStateFileName) == std::string::npos) saves_.failing = false;
}

}  // namespace trezik::live
