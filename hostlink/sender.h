// Sends one text to a host window as WM_COPYDATA (dwData 1, cbData the length
// without terminator, the bytes followed by one uncounted zero byte). Replies
// the host sends while it handles the message are stored before this returns.
#pragma once

#include <string>

namespace trezik {

// Nothing happens for an empty message; nothing is delivered, and no error
// raised, when no window bears the title.
void SendToHost(const std::string& window_title, const std::string& message);

}  // namespace trezik
