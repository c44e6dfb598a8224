#include "tools/simulator/host_standin.h"

#include <stdexcept>

namespace trezik::drive {

namespace {

thread_local HostStandIn* current_host = nullptr;

constexpr std::string_view kRequestPrefix = "REQUEST;";

}  // namespace

HostStandIn::HostStandIn(Platform& platform, std::string host_folder)
    : platform_(platform), pwpath_reply_("pwpath||" + std::move(host_folder)) {
  if (current_host != nullptr) throw std::logic_error("one host stand-in per thread");
  window_ = platform_.CreateHiddenWindow("PathWarden", &HostStandIn::Procedure);
  if (window_ == 0) throw std::runtime_error("cannot create the host window");
  current_host = this;
  SetRoad("");
}

HostStandIn::~HostStandIn() {
  platform_.DestroyWindow(window_);
  current_host = nullptr;
}

void HostStandIn::SetFix(std::string latitude, std::string longitude, std::string speed) {
  latitude_reply_ = "gpslat||" + latitude;
  longitude_reply_ = "gpslon||" + longitude;
  speed_reply_ = "gpsspd||" + speed;
  have_fix_ = true;
}

void HostStandIn::ClearFix() { have_fix_ = false; }

void HostStandIn::SetRoad(std::string road) { road_reply_ = "customfdroad||" + road; }

std::intptr_t TREZIK_CALLBACK HostStandIn::Procedure(WindowHandle window, std::uint32_t message,
                                                     std::uintptr_t wparam, std::intptr_t lparam) {
  HostStandIn* host = current_host;
  if (host == nullptr || window != host->window_) {
    return CurrentPlatform().DefaultWindowProc(window, message, wparam, lparam);
  }
  if (message != kWmCopyData || lparam == 0) {
    return host->platform_.DefaultWindowProc(window, message, wparam, lparam);
  }
  // Copy what the record points at: it belongs to the sender's call.
  CopyDataRecord record;
  host->platform_.MoveMemory(&record, reinterpret_cast<const void*>(lparam), sizeof record);
  if (record.dwData != 1) return 0;
  host->Handle(std::string_view(static_cast<const char*>(record.lpData), record.cbData));
  return 1;
}

void HostStandIn::Handle(std::string_view text) {
  ++messages_;
  if (text == "exit") {
    ++exits_;
    return;
  }
  std::string plugin_id;
  WindowHandle plugin_window = 0;
  bool any_request = false;
  while (true) {
    const std::size_t bar = text.find("||");
    const std::string_view request = text.substr(0, bar);
    if (request.substr(0, kRequestPrefix.size()) == kRequestPrefix) {
      any_request = true;
      Answer(request, plugin_id, plugin_window);
    }
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 2);
  }
  if (!any_request && unknown_.size() < 20) unknown_.emplace_back(text);
}

// "REQUEST;<plug-in id>;<NAME>": the reply goes to the window titled with
// the plug-in id.
void HostStandIn::Answer(std::string_view request, std::string& plugin_id, WindowHandle& plugin_window) {
  request.remove_prefix(kRequestPrefix.size());
  const std::size_t semicolon = request.find(';');
  if (semicolon == std::string_view::npos) {
    ++unanswered_;
    return;
  }
  const std::string_view id = request.substr(0, semicolon);
  const std::string_view name = request.substr(semicolon + 1);
  if (plugin_window == 0 || id != plugin_id) {
    plugin_id.assign(id);
    plugin_window = platform_.FindWindowByTitle(plugin_id);
  }
  const std::string* reply = nullptr;
  if (name == "PWPATH") reply = &pwpath_reply_;
  else if (name == "CUSTOMFDROAD") reply = &road_reply_;
  else if (have_fix_ && name == "GPSLAT") reply = &latitude_reply_;
  else if (have_fix_ && name == "GPSLON") reply = &longitude_reply_;
  else if (have_fix_ && name == "GPSSPD") reply = &speed_reply_;
  if (reply == nullptr || plugin_window == 0) {
    ++unanswered_;
    return;
  }
  Reply(plugin_window, *reply);
}

void HostStandIn::Reply(WindowHandle plugin_window, const std::string& text) {
  CopyDataRecord record{1, static_cast<std::uint32_t>(text.size()), const_cast<char*>(text.data())};
  platform_.SendMessage(plugin_window, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
}

}  // namespace trezik::drive
