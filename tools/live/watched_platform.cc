#include "tools/live/watched_platform.h"

#include "core/error.h"
#include "contract/names.h"

namespace trezik::live {

namespace {

std::string_view FileName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsStateFilePath(std::string_view path) { return FileName(path).rfind(kTripStateFileName, 0) == 0; }

SaveRecord* WatchedPlatform::RecordOf(std::string_view path) {
  if (IsStateFilePath(path)) return &meters_;
  if (FileName(path).rfind(kFuelCarryFileName, 0) == 0) return &carry_;
  return nullptr;
}

void WatchedPlatform::Failed(const std::string& path, const Error& error) {
  SaveRecord* record = RecordOf(path);
  if (record == nullptr) return;
  ++record->failures;
  record->failing = true;
  // The emulation names files as Windows does; the driver knows them by
  // their Linux names.
  std::string what = error.what();
  for (char& c : what) c = c == '\\' ? '/' : c;
  record->last_error = what.empty() ? ErrorKindName(error.kind()) : what;
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
  // The file in place: a save has succeeded.
  SaveRecord* record = RecordOf(to);
  if (record != nullptr && to.find(kUnreadableStateFileName) == std::string::npos) record->failing = false;
}

}  // namespace trezik::live
