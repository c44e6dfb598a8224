#include "tools/live/live_session.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/error.h"
#include "contract/vocabulary.h"

namespace trezik::live {

int CommandErrorStatus(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kTypeMismatch:
    case ErrorKind::kDivisionByZero:
    case ErrorKind::kOverflow:
    case ErrorKind::kInvalidArgument:
      return 422;
    default:
      return 500;
  }
}

// The desktop's local time starts at the wall clock's, to the millisecond.
namespace {

WatchedPlatform& StartAtWallClock(WatchedPlatform& platform, const std::string& absolute_folder) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const double fraction =
      std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
  platform.SetLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction);
  platform.set_module_folder(absolute_folder);
  return platform;
}

}  // namespace

LiveSession::LiveSession(const std::string& folder, host::FixSource& source)
    : hosted_(StartAtWallClock(platform_, std::filesystem::absolute(folder).string()),
              ToWindowsFolder(std::filesystem::absolute(folder).string()), &source) {}

CommandAnswer LiveSession::Command(const std::string& command) {
  const host::CommandResult result = hosted_.Command(command);
  if (result.code) return {200, result.code, ""};
  // The emulation names files as Windows does; the driver knows them by
  // their Linux names.
  std::string error = result.error_text.empty() ? ErrorKindName(result.error_kind) : result.error_text;
  std::replace(error.begin(), error.end(), '\\', '/');
  return {CommandErrorStatus(result.error_kind), std::nullopt, error};
}

Snapshot LiveSession::Read(GpsStatus gps) {
  Snapshot snapshot;
  const std::vector<std::string>& names = DashboardLabels();
  snapshot.labels.reserve(names.size());
  for (const std::string& name : names) snapshot.labels.emplace_back(name, hosted_.Label(name));
  for (vocabulary::Label label : host::HostedPlugin::LabelsWithoutFigure()) {
    snapshot.no_figure.emplace_back(vocabulary::NameOf(label));
  }
  snapshot.workrec = hosted_.Indicator(vocabulary::kWorkIndicator) == vocabulary::kIndicatorOn;
  snapshot.gps = gps;
  const LocalTime now = platform_.Now();
  const int minutes = static_cast<int>(now.seconds_since_midnight) / 60;
  const auto two_digits = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  snapshot.clock = two_digits(minutes / 60) + ":" + two_digits(minutes % 60);
  return snapshot;
}

void LiveSession::SetRoad(const std::string* name) {
  if (name == nullptr) {
    if (has_road_) hosted_.host().ClearRoad();
    has_road_ = false;
  } else if (!has_road_ || road_ != *name) {
    hosted_.host().SetRoad(*name);
    road_ = *name;
    has_road_ = true;
  }
}

}  // namespace trezik::live
