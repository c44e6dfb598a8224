#include "hostlink/hook.h"

#include <string>

#include "hostlink/reply_parser.h"
#include "state/form1.h"

namespace trezik {

void HookWindow(WindowHandle window) {
  Form1& form = Form1::Get();
  if (form.PrevWndProc != 0) return;  // hooked already: hooking again would chain to itself
  form.PrevWndProc =
      CurrentPlatform().SetWindowProc(window, reinterpret_cast<std::intptr_t>(&ReplyWindowProc));
}

void UnhookWindow(WindowHandle window) {
  Form1* form = Form1::Existing();
  if (form == nullptr || form->PrevWndProc == 0) return;
  CurrentPlatform().SetWindowProc(window, form->PrevWndProc);
  form->PrevWndProc = 0;
}

// Nothing may leave a window procedure: the caller is user32, which no
// exception can pass through, so one would end the front end. A reply that
// fails to apply is dropped; the message still goes on to the window.
std::intptr_t TREZIK_CALLBACK ReplyWindowProc(WindowHandle window, std::uint32_t message,
                                              std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == kWmCopyData) {
    try {
      ReceiveCopyData(lparam);
    } catch (...) {
    }
  }
  try {
    Form1* form = Form1::Existing();
    if (form == nullptr || form->PrevWndProc == 0) return 0;
    return CurrentPlatform().CallWindowProc(form->PrevWndProc, window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

void ReceiveCopyData(std::intptr_t lparam) {
  Platform& platform = CurrentPlatform();
  if (lparam == 0) {
    platform.ReplyMessage(1);
    return;
  }
  CopyDataRecord record{};
  platform.MoveMemory(&record, reinterpret_cast<const void*>(lparam), sizeof record);
  // Only a reply of a sensible length is read at all: the host's are a few
  // dozen bytes, and a count near 2 GiB from any program on the desktop must
  // not make the plug-in reserve it.
  const bool readable = record.dwData == 1 && record.cbData <= kLongestReply &&
                        (record.cbData == 0 || record.lpData != nullptr);
  // Exactly the counted bytes; a zero byte the sender counted stays in.
  // Replies are short: most fit the buffer on the stack.
  char small[128];
  std::string large;
  char* buffer = small;
  if (readable) {
    if (record.cbData > sizeof small) {
      large.resize(record.cbData);
      buffer = large.data();
    }
    // The bytes are copied before the sender is released: a sender on
    // another thread may reuse or free them as soon as it runs on.
    platform.MoveMemory(buffer, record.lpData, record.cbData);
  }
  platform.ReplyMessage(1);
  if (readable) ParseReply(std::string_view(buffer, record.cbData));
}

}  // namespace trezik
