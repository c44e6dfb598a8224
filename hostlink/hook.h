// The reply hook: a window procedure put in front of the hidden window's own,
// which takes each WM_COPYDATA reply apart and stores its value in Form1,
// then passes every message on to the previous procedure.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace trezik {

// Installs ReplyWindowProc on the window and keeps the previous procedure in
// Form1's PrevWndProc. Does nothing while a hook is in place, so the saved
// procedure can never be the hook itself.
void HookWindow(WindowHandle window);

// Puts the previous procedure back and forgets it; does nothing when no hook
// is in place.
void UnhookWindow(WindowHandle window);

// Never throws: whatever fails in a reply is dropped.
std::intptr_t TREZIK_CALLBACK ReplyWindowProc(WindowHandle window, std::uint32_t message,
                                              std::uintptr_t wparam, std::intptr_t lparam);

// The longest reply that is read; a longer one is released unread.
inline constexpr std::uint32_t kLongestReply = 64 * 1024;

// Reads the COPYDATA record at lparam and, for a reply (dwData 1) no longer
// than kLongestReply, copies its bytes; then releases a sender on another
// thread with ReplyMessage(1), and parses the copy into the state.
void ReceiveCopyData(std::intptr_t lparam);

}  // namespace trezik
