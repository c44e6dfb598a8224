#include "hostlink/hook.h"

#include <string>

#include "hostlink/reply_parser.h"
#include "state/form1.h"

namespace trezik {

void HookWindow(WindowHandle window) {
  Form1& form = Form1::Get();
  if (form.PrevWndProc != 0) return;  // hooked already: hooking again would chain to itself
  form.PrevWndProc =
      form.platform().SetWindowProc(window, reinterpret_cast<std::intptr_t>(&ReplyWindowProc));
}

void UnhookWindow(WindowHandle window) {
  Form1* form = Form1::Existing();
  if (form == nullptr || form->PrevWndProc == 0) return;
  form->platform().SetWindowProc(window, form->PrevWndProc);
  form->PrevWndProc = 0;
}

std::intptr_t TREZIK_CALLBACK ReplyWindowProc(WindowHandle window, std::uint32_t message,
                                              std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == kWmCopyData) ReceiveCopyData(lparam);
  Form1* form = Form1::Existing();
  if (form == nullptr || form->PrevWndProc == 0) return 0;
  return form->platform().CallWindowProc(form->PrevWndProc, window, message, wparam, lparam);
}

void ReceiveCopyData(std::intptr_t lparam) {
  Platform& platform = CurrentPlatform();
  if (lparam == 0) {
    platform.ReplyMessage(1);
    return;
  }
  CopyDataRecord record{};
  platform.MoveMemory(&record, reinterpret_cast<const void*>(lparam), sizeof record);
  platform.ReplyMessage(1);  // a sender on another thread waits only for the copy
  if (record.dwData != 1) return;
  if (record.cbData != 0 && record.lpData == nullptr) return;  // nothing to read

  // Exactly the counted bytes; a zero byte the sender counted stays in.
  // Replies are short: most fit the buffer on the stack.
  char small[128];
  std::string large;
  char* buffer = small;
  if (record.cbData > sizeof small) {
    large.resize(record.cbData);
    buffer = large.data();
  }
  platform.MoveMemory(buffer, record.lpData, record.cbData);
  ParseReply(std::string_view(buffer, record.cbData));
}

}  // namespace trezik
