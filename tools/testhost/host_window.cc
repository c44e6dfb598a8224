// The window that plays the front end: its procedure, the requests it
// answers and the replies it sends.
#include "tools/testhost/host_window.h"

#include <cstdio>

#include "host/requests.h"
#include "platform/platform.h"
#include "platform/windows_headers.h"
#include "tools/testhost/output.h"

namespace trezik::testhost {

namespace {

struct Host {
  HWND window = nullptr;
  Answers answers;
  // Serving beside another client: the scenario's later answers, applied one
  // "fix" at a time as GPS requests are answered.
  bool serving = false;
  std::vector<Instruction> pending;
  std::size_t next_pending = 0;
};

Host host;

// Applies the pending answers up to and including the next "fix".
void AdvanceServedAnswers() {
  while (host.next_pending < host.pending.size()) {
    const Instruction& instruction = host.pending[host.next_pending++];
    if (ApplyAnswer(instruction, &host.answers) && instruction.name == "fix") return;
  }
}

void HandleRequests(const std::string& text) {
  bool answered_gps = false;
  const Answers& answers = host.answers;
  host::ForEachRequest(text, [&](const host::Request& request) {
    if (!request.well_formed || request.plugin_id != kPluginId) return;
    const std::string_view name = request.name;
    if (name == kPathName) {
      if (answers.pwpath) SendReply(host::ReplyText(kPathReply, *answers.pwpath));
    } else if (name == kRoadName) {
      if (answers.road) SendReply(host::ReplyText(kRoadReply, *answers.road));
    } else if (name == kLatitudeName) {
      if (answers.has_fix) SendReply(host::ReplyText(kLatitudeReply, answers.latitude));
      answered_gps = answered_gps || answers.has_fix;
    } else if (name == kLongitudeName) {
      if (answers.has_fix) SendReply(host::ReplyText(kLongitudeReply, answers.longitude));
    } else if (name == kSpeedName) {
      if (answers.has_fix) SendReply(host::ReplyText(kSpeedReply, answers.speed));
    }
  });
  if (answered_gps) MoveFixOn(&host.answers);
  if (host.serving && answered_gps) AdvanceServedAnswers();
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COPYDATA) {
    const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    const char* bytes = static_cast<const char*>(record->lpData);
    const std::size_t count = record->cbData;
    char header[96];
    std::snprintf(header, sizeof header, "recv dwData=%lu cbData=%lu wParam=%lu ",
                  static_cast<unsigned long>(record->dwData),
                  static_cast<unsigned long>(record->cbData), static_cast<unsigned long>(wparam));
    Emit(header + Quoted(bytes, bytes != nullptr ? count : 0));
    // The replies go out now, while the plug-in waits in its SendMessage.
    if (record->dwData == 1 && bytes != nullptr) HandleRequests(std::string(bytes, count));
    return 1;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// A reply whose size claims nearly 2 GiB while its data is a short text: the
// plug-in must neither read past the text nor try to hold that much.
constexpr DWORD kHugeReplySize = 0x7FFFFFF0;
char huge_reply_text[] = "gpslat||1";

LRESULT SendHugeReply() {
  HWND plugin = FindWindowA(nullptr, kPluginTitle);
  if (plugin == nullptr) return -1;
  COPYDATASTRUCT record;
  record.dwData = 1;
  record.cbData = kHugeReplySize;
  record.lpData = huge_reply_text;
  return SendMessageA(plugin, WM_COPYDATA, reinterpret_cast<WPARAM>(host.window),
                      reinterpret_cast<LPARAM>(&record));
}

DWORD WINAPI HugeReplyThread(void* result) {
  *static_cast<LRESULT*>(result) = SendHugeReply();
  return 0;
}

}  // namespace

bool CreateHostWindow() {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kHostWindowClass;
  RegisterClassExA(&window_class);
  // Top-level and not shown: FindWindowA finds it all the same.
  host.window = CreateWindowExA(0, window_class.lpszClassName, kHostTitle, WS_OVERLAPPEDWINDOW, 0,
                                0, 200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
  return host.window != nullptr;
}

void DestroyHostWindow() {
  if (host.window != nullptr && IsWindow(host.window)) DestroyWindow(host.window);
}

Answers& HostAnswers() { return host.answers; }

void ServeAnswers(const std::vector<Instruction>& instructions) {
  host.serving = true;
  for (const Instruction& instruction : instructions) {
    if (instruction.name == "pwpath" || instruction.name == "road" ||
        instruction.name == "fix" || instruction.name == "nofix") {
      host.pending.push_back(instruction);
    }
  }
  AdvanceServedAnswers();
}

void SendReply(const std::string& text) {
  HWND plugin = FindWindowA(nullptr, kPluginTitle);
  Emit("send " + Quoted(text.data(), text.size()) + (plugin == nullptr ? " (no trezik window)" : ""));
  if (plugin == nullptr) return;
  COPYDATASTRUCT record;
  record.dwData = 1;
  record.cbData = static_cast<DWORD>(text.size());
  record.lpData = const_cast<char*>(text.data());
  SendMessageA(plugin, WM_COPYDATA, reinterpret_cast<WPARAM>(host.window),
               reinterpret_cast<LPARAM>(&record));
}

void HugeReply(bool from_thread) {
  LRESULT result = -1;
  if (!from_thread) {
    result = SendHugeReply();
  } else {
    HANDLE thread = CreateThread(nullptr, 0, HugeReplyThread, &result, 0, nullptr);
    if (thread == nullptr) {
      Emit("hugereply thread -> no thread");
      return;
    }
    // The second thread's send to the plug-in's window is handled here, in
    // the pump.
    while (MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0) {
      SystemPlatform().PumpMessagesFor(0);
    }
    CloseHandle(thread);
  }
  Emit(std::string("hugereply") + (from_thread ? " thread" : "") +
       (result == -1 ? " -> no trezik window" : " -> sent"));
}

}  // namespace trezik::testhost
