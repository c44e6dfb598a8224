#include "tools/live/live_session.h"

#include <time.h>

#include <chrono>
#include <filesystem>
#include <new>

#include "core/error.h"
#include "plugin/vocabulary.h"
#include "state/form1.h"
#include "state/state_file.h"

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

std::uint32_t LiveSession::Form1TickMs() { return Form1::kTimer1IntervalMs; }

LiveSession::LiveSession(const std::string& folder, host::FixSource& source) : use_(platform_) {
  // The desktop's local time starts at the wall clock's, to the millisecond.
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const double fraction =
      std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
  platform_.SetLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction);
  const std::string absolute = std::filesystem::absolute(folder).string();
  platform_.set_module_folder(absolute);
  host_.emplace(platform_, ToWindowsFolder(absolute));
  host_->set_fix_source(&source);
}

void LiveSession::Create() { plugin_.emplace(); }

CommandAnswer LiveSession::Command(const std::string& command) {
  try {
    return {200, plugin_->ProcessCommand(command), ""};
  } catch (const Error& error) {
    const std::string text = error.what();
    return {CommandErrorStatus(error.kind()), std::nullopt, text.empty() ? ErrorKindName(error.kind()) : text};
  } catch (const std::bad_alloc&) {
    return {500, std::nullopt, ErrorKindName(ErrorKind::kOutOfMemory)};
  }
}

Snapshot LiveSession::Read(GpsStatus gps) {
  Snapshot snapshot;
  const std::vector<std::string>& names = DashboardLabels();
  snapshot.labels.reserve(names.size());
  for (const std::string& name : names) {
    std::string text;
    try {
      text = plugin_->ReturnLabel(name, "");
    } catch (const Error& error) {
      text = std::string("error: ") + ErrorKindName(error.kind());
    }
    snapshot.labels.emplace_back(name, std::move(text));
  }
  try {
    snapshot.workrec = plugin_->ReturnIndicator(std::string(vocabulary::kWorkIndicator)) == "True";
  } catch (const Error&) {
    snapshot.workrec = false;
  }
  snapshot.gps = gps;
  return snapshot;
}

void LiveSession::SetRoad(const std::string* name) {
  if (name == nullptr) {
    if (has_road_) host_->answers.erase("CUSTOMFDROAD");
    has_road_ = false;
  } else if (!has_road_ || road_ != *name) {
    host_->SetRoad(*name);
    road_ = *name;
    has_road_ = true;
  }
}

std::string LiveSession::StateFileProblem() const {
  const Form1* form = Form1::Existing();
  if (form == nullptr) return "";
  const StateFileStatus& status = form->state_file();
  if (status.load_pending) {
    return "tripmeter.ini cannot be read: the meters count from 0 and are not saved until it can";
  }
  if (status.unreadable_content) {
    return std::string("tripmeter.ini does not hold two meters: what could not be read starts at 0, and its "
                       "content is kept as ") + kUnreadableStateFileName;
  }
  return "";
}

bool LiveSession::MetersChangedSinceFile() const {
  const Form1* form = Form1::Existing();
  return form != nullptr && trezik::MetersChangedSinceFile(*form);
}

void LiveSession::Release() {
  plugin_.reset();
  // Also after a start-up that failed half-way: its Form1 goes before the
  // desktop does.
  if (Form1::Existing() != nullptr) Form1::Unload();
}

}  // namespace trezik::live
