// The host application as the plug-in meets it on Linux: a window titled
// "PathWarden" in the emulated desktop that answers the plug-in's requests
// while it handles them, by sending the replies back to the window named in
// each request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace trezik::drive {

class HostStandIn {
 public:
  // Creates the host window on the calling thread's platform. `host_folder`
  // is what "pwpath" answers: the host's folder written the Windows way,
  // ending in "\". One stand-in per thread at a time.
  HostStandIn(Platform& platform, std::string host_folder);
  ~HostStandIn();
  HostStandIn(const HostStandIn&) = delete;
  HostStandIn& operator=(const HostStandIn&) = delete;

  // The fix reported from now on: the three reply values as the host writes
  // them (numbers in the user's format; the speed may carry a unit).
  void SetFix(std::string latitude, std::string longitude, std::string speed);
  // No fix: GPS requests get no reply and the plug-in keeps its values.
  void ClearFix();
  // The place name "customfdroad" answers from now on.
  void SetRoad(std::string road);

  const std::string& latitude() const { return latitude_reply_; }

  // What the host saw.
  std::uint64_t messages() const { return messages_; }
  std::uint64_t unanswered_requests() const { return unanswered_; }
  int exits() const { return exits_; }
  // Message texts that were neither requests nor "exit", at most the first 20.
  const std::vector<std::string>& unknown_messages() const { return unknown_; }

 private:
  static std::intptr_t TREZIK_CALLBACK Procedure(WindowHandle window, std::uint32_t message,
                                                 std::uintptr_t wparam, std::intptr_t lparam);
  void Handle(std::string_view text);
  void Answer(std::string_view request, std::string& plugin_id, WindowHandle& plugin_window);
  void Reply(WindowHandle plugin_window, const std::string& text);

  Platform& platform_;
  WindowHandle window_ = 0;
  std::string pwpath_reply_;
  std::string latitude_reply_, longitude_reply_, speed_reply_, road_reply_;
  bool have_fix_ = false;
  std::uint64_t messages_ = 0;
  std::uint64_t unanswered_ = 0;
  int exits_ = 0;
  std::vector<std::string> unknown_;
};

}  // namespace trezik::drive
