#include "host/host.h"

#include <algorithm>
#include <stdexcept>

#include "host/requests.h"
#include "hostlink/protocol.h"

namespace trezik::host {

namespace {

thread_local Host* current_host = nullptr;

// Request names are short and mostly differ early: a byte loop settles them
// sooner than a call to memcmp.
bool SameName(const std::string& a, std::string_view b) {
  return a.size() == b.size() && std::equal(b.begin(), b.end(), a.begin());
}

}  // namespace

Host::Host(Platform& platform, std::string_view host_folder)
    : platform_(platform), folder_(host_folder) {
  if (current_host != nullptr) throw std::logic_error("one host stand-in per thread");
  window_ = platform_.CreateHiddenWindow(kHostWindowTitle, &Host::Procedure);
  if (window_ == 0) throw std::runtime_error("cannot create the host window");
  current_host = this;
  SetAnswer(kPathName, kPathReply, host_folder);
}

Host::~Host() {
  platform_.DestroyWindow(window_);
  current_host = nullptr;
}

std::size_t Host::Answers::Find(std::string_view name) const {
  const std::size_t count = entries_.size();
  if (next_ < count && SameName(entries_[next_].first, name)) return next_++;
  for (std::size_t at = 0; at < count; ++at) {
    if (SameName(entries_[at].first, name)) {
      next_ = at + 1;
      return at;
    }
  }
  return count;
}

std::string& Host::Answers::operator[](std::string_view name) {
  const std::size_t at = Find(name);
  if (at < entries_.size()) return entries_[at].second;
  return entries_.emplace_back(std::string(name), std::string()).second;
}

void Host::Answers::erase(std::string_view name) {
  const std::size_t at = Find(name);
  if (at < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
}

const std::string* Host::Answers::find(std::string_view name) const {
  const std::size_t at = Find(name);
  return at < entries_.size() ? &entries_[at].second : nullptr;
}

// Rewrites the entry in place, so that a new fix every second reuses the
// texts' storage instead of allocating.
void Host::SetAnswer(std::string_view name, std::string_view reply_name,
                            std::string_view value) {
  ReplyText(answers[name], reply_name, value);
}

void Host::SetFix(std::string_view latitude, std::string_view longitude,
                         std::string_view speed) {
  SetAnswer(kLatitudeName, kLatitudeReply, latitude);
  SetAnswer(kLongitudeName, kLongitudeReply, longitude);
  SetAnswer(kSpeedName, kSpeedReply, speed);
}

void Host::ClearFix() {
  answers.erase(kLatitudeName);
  answers.erase(kLongitudeName);
  answers.erase(kSpeedName);
}

void Host::SetRoad(std::string_view road) { SetAnswer(kRoadName, kRoadReply, road); }

void Host::ClearRoad() { answers.erase(kRoadName); }

void Host::SendReply(const std::string& text, std::uintptr_t dw_data) {
  Reply(platform_.FindWindowByTitle(kPluginId), text, dw_data);
}

std::intptr_t TREZIK_CALLBACK Host::Procedure(WindowHandle window, std::uint32_t message,
                                                     std::uintptr_t wparam, std::intptr_t lparam) {
  Host* host = current_host;
  if (host == nullptr || window != host->window_) {
    return CurrentPlatform().DefaultWindowProc(window, message, wparam, lparam);
  }
  if (message != kWmCopyData || lparam == 0) {
    return host->platform_.DefaultWindowProc(window, message, wparam, lparam);
  }
  // Copy the record: it belongs to the sender's call.
  CopyDataRecord record;
  host->platform_.MoveMemory(&record, reinterpret_cast<const void*>(lparam), sizeof record);
  const auto* bytes = static_cast<const char*>(record.lpData);
  const std::string_view text = bytes != nullptr ? std::string_view(bytes, record.cbData) : "";
  if (host->keep_received_) {
    // A send within the thread hands over the sender's own buffer, so the
    // byte after the counted ones can be looked at.
    host->received.push_back(
        {record.dwData, record.cbData, wparam, std::string(text),
         bytes != nullptr && bytes[record.cbData] == '\0'});
  }
  if (record.dwData != 1) return 0;
  host->Handle(text);
  return 1;
}

void Host::Handle(std::string_view text) {
  ++messages_;
  if (text == kKeypadCloseCommand) {
    ++exits_;
    return;
  }
  std::string plugin_id;
  WindowHandle plugin_window = 0;
  const bool any_request =
      ForEachRequest(text, [&](const Request& request) { Answer(request, plugin_id, plugin_window); });
  if (!any_request && unknown_.size() < 20) unknown_.emplace_back(text);
}

// The reply goes to the window titled with the request's plug-in id.
void Host::Answer(const Request& request, std::string& plugin_id, WindowHandle& plugin_window) {
  if (!request.well_formed) {
    ++unanswered_;
    return;
  }
  if (plugin_window == 0 || request.plugin_id != plugin_id) {
    plugin_id.assign(request.plugin_id);
    plugin_window = platform_.FindWindowByTitle(plugin_id);
  }
  const std::string_view name = request.name;
  if (fix_source_ != nullptr && name == kLatitudeName) {
    if (const std::optional<Fix> fix = fix_source_->NextFix()) {
      SetFix(fix->latitude, fix->longitude, fix->speed);
    } else {
      ClearFix();
    }
  }
  const std::string* answer = answers.find(name);
  if (answer == nullptr || plugin_window == 0) {
    ++unanswered_;
    return;
  }
  Reply(plugin_window, *answer, 1);
}

void Host::Reply(WindowHandle plugin_window, const std::string& text,
                        std::uintptr_t dw_data) {
  // A std::string keeps a zero byte after its text, as the host's buffer has.
  CopyDataRecord record{dw_data, static_cast<std::uint32_t>(text.size()),
                        const_cast<char*>(text.data())};
  platform_.SendMessage(plugin_window, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
}

}  // namespace trezik::host
