#include "hostlink/sender.h"

#include <optional>
#include <vector>

#include "platform/platform.h"
#include "state/form1.h"

namespace trezik {

void SendToHost(const std::string& window_title, const std::string& message) {
  if (message.empty()) return;
  Platform& platform = CurrentPlatform();
  const WindowHandle host = platform.FindWindowByTitle(window_title);
  if (host == 0) return;  // the host is not running: nothing to deliver

  // cbData counts the text only; the zero byte after it stays outside it.
  std::vector<char> payload(message.size() + 1, '\0');
  platform.MoveMemory(payload.data(), message.data(), message.size());
  CopyDataRecord record{};
  record.dwData = 1;
  record.cbData = static_cast<std::uint32_t>(message.size());
  record.lpData = payload.data();
  // The host answers inside this call and may release the plug-in there:
  // the state stays until the send is over.
  std::optional<Form1::Busy> busy;
  if (Form1* form = Form1::Existing()) {
    busy.emplace(*form);
    // Only a speed reported in answer to this message counts as the latest.
    ReportedSpeedToWrite(*form).value.reset();
  }
  platform.SendMessage(host, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
}

}  // namespace trezik
