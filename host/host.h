// The host application as the plug-in meets it through the seam: a window
// titled "PathWarden" that answers the plug-in's requests while it handles
// them, each reply a WM_COPYDATA of its own to the window named in the
// request, so that it arrives nested inside the plug-in's send. Only the seam
// is used, so the same stand-in serves the tests on the Linux emulation and,
// cross-built, on the real user32 under wine, as well as the drive simulator
// and the benchmark.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace trezik::host {

struct Request;  // requests.h

// One WM_COPYDATA as the host window received it.
struct ReceivedMessage {
  std::uintptr_t dwData;
  std::uint32_t cbData;
  std::uintptr_t wparam;
  std::string text;      // the cbData counted bytes
  bool zero_after_text;  // the byte after them is 0
};

// One fix as the host reports it: the three values as the host writes them
// (numbers in the user's format; the speed may carry a unit).
struct Fix {
  std::string latitude;
  std::string longitude;
  std::string speed;
};

// Where the host's fixes come from: the fix for the second the plug-in asks
// about, or none (the host has no fix then, and the request goes
// unanswered). A recorded drive is one; a GPS receiver would be another.
class FixSource {
 public:
  virtual ~FixSource() = default;
  virtual std::optional<Fix> NextFix() = 0;
};

// The host of the plug-in on the seam: the window titled "PathWarden" that
// answers the plug-in's requests while it handles them, with the host's
// folder (where its "pw.ini" lies), recording what the plug-in sent.
class Host {
 public:
  // Creates the host window on `platform` (the calling thread's). "PWPATH"
  // is answered with `host_folder`, the host's folder written the Windows
  // way, ending in "\". One stand-in per thread at a time.
  Host(Platform& platform, std::string_view host_folder);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Reply texts by request name ("PWPATH", "GPSLAT", ...), each sent as it
  // stands, so that a test can send any reply. A request whose name has no
  // entry goes unanswered. A handful of entries, looked up on every request;
  // the plug-in asks in the same order tick after tick, so a search first
  // tries the entry after the one found last, and mostly ends there.
  class Answers {
   public:
    std::string& operator[](std::string_view name);
    void erase(std::string_view name);
    const std::string* find(std::string_view name) const;

   private:
    std::size_t Find(std::string_view name) const;  // the index, or the size when none
    std::vector<std::pair<std::string, std::string>> entries_;
    mutable std::size_t next_ = 0;
  };
  Answers answers;

  // The fix reported from now on: the three values as the host writes them
  // (numbers in the user's format; the speed may carry a unit).
  void SetFix(std::string_view latitude, std::string_view longitude, std::string_view speed);
  // No fix: GPS requests go unanswered and the plug-in keeps its values.
  void ClearFix();
  // From now on each request for the position takes the source's next fix
  // (or its none) before it is answered; nullptr goes back to the fix set by
  // SetFix. The source must outlive its use here.
  void set_fix_source(FixSource* source) { fix_source_ = source; }
  const std::string& folder() const { return folder_; }
  // The place name "customfdroad" answers from now on.
  void SetRoad(std::string_view road);
  // No place name: "customfdroad" goes unanswered.
  void ClearRoad();

  // Every WM_COPYDATA the window gets, in order, while keep_received is on.
  // It is off by default: a long drive would make the list grow without end.
  void set_keep_received(bool keep) { keep_received_ = keep; }
  std::vector<ReceivedMessage> received;

  // Sends one reply text to the plug-in's window, as the host does, with a
  // zero byte after the counted text.
  void SendReply(const std::string& text, std::uintptr_t dw_data = 1);

  // What the host saw: text messages (dwData 1), requests it could not
  // answer, "exit" commands, and the first 20 texts that were neither.
  std::uint64_t messages() const { return messages_; }
  std::uint64_t unanswered_requests() const { return unanswered_; }
  int exits() const { return exits_; }
  const std::vector<std::string>& unknown_messages() const { return unknown_; }

  WindowHandle window() const { return window_; }

 private:
  static std::intptr_t TREZIK_CALLBACK Procedure(WindowHandle window, std::uint32_t message,
                                                 std::uintptr_t wparam, std::intptr_t lparam);
  void Handle(std::string_view text);
  void Answer(const Request& request, std::string& plugin_id, WindowHandle& plugin_window);
  void Reply(WindowHandle plugin_window, const std::string& text, std::uintptr_t dw_data);
  void SetAnswer(std::string_view name, std::string_view reply_name, std::string_view value);

  Platform& platform_;
  std::string folder_;
  FixSource* fix_source_ = nullptr;
  WindowHandle window_ = 0;
  bool keep_received_ = false;
  std::uint64_t messages_ = 0;
  std::uint64_t unanswered_ = 0;
  int exits_ = 0;
  std::vector<std::string> unknown_;
};

}  // namespace trezik::host
