// trezik-testhost: a stand-in for the PathWarden front end, for checking an
// installation and for the tests. It owns a top-level window titled
// "PathWarden", answers the plug-in's requests from a scenario file, logs
// every WM_COPYDATA it receives, and creates and calls the plug-in by its
// ProgID through late binding, as the front end does.
//
//   trezik-testhost [--log FILE] SCENARIO
//       plays the scenario in this process: creates the plug-in, ticks,
//       calls its methods and prints each result;
//   trezik-testhost --serve [--log FILE] [--seconds N] SCENARIO
//       only plays the front end's window, beside another client (a script)
//       that creates the plug-in in its own process; each answered GPS
//       request moves on to the scenario's next "fix";
//   trezik-testhost --stop
//       closes a serving test host;
//   trezik-testhost --version
//       prints the project version.
//
// Scenario: one instruction a line; blank lines and lines starting with #
// are ignored; an instruction's value is the rest of the line after the
// first space, taken exactly.
//   pwpath V | road V | fix LAT LON SPD... | nofix     how requests are answered
//   move DLAT DLON                                   from then on each answered GPS
//                                                    request moves the fix on by that
//                                                    (with pump: a drive in real time)
//   create | release | free                          the object (free: CoFreeUnusedLibraries)
//   create another                                   one more object, the earlier ones kept
//                                                    alive; calls go to the newest
//   tick | pump MS                                   Timer1: one tick sent, or real pumping
//   command T | label N | indicator N                method calls, results printed
//   reply TEXT                                       one reply (dwData 1) sent unasked
//   hugereply | hugereply thread                     a reply claiming 0x7FFFFFF0 bytes over
//                                                    a 9-byte buffer, sent from this thread
//                                                    or from a second one
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/windows_headers.h"
#include "trezik_version.h"

namespace {

constexpr char kHostTitle[] = "PathWarden";
constexpr char kPluginTitle[] = "trezik";
constexpr char kProgId[] = "trezik.PWExtension";
constexpr UINT_PTR kTimer1Id = 1;

// ---------------------------------------------------------------- output

FILE* log_file = nullptr;

void Emit(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  if (log_file != nullptr) {
    std::fputs(line.c_str(), log_file);
    std::fputc('\n', log_file);
    std::fflush(log_file);
  }
}

// Bytes as a quoted text; anything but printable ASCII, the quote and the
// backslash as \xNN.
std::string Quoted(const char* bytes, std::size_t count) {
  std::string text = "\"";
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text + "\"";
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string Ansi(BSTR text) {
  if (text == nullptr) return std::string();
  const int length = static_cast<int>(SysStringLen(text));
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

BSTR Bstr(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(size));
  if (wide != nullptr && size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide, size);
  return wide;
}

// ---------------------------------------------------------------- scenario

struct Instruction {
  std::string name;
  std::string value;
};

bool ReadScenario(const std::string& path, std::vector<Instruction>* instructions) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) {
      instructions->push_back({line, ""});
    } else {
      instructions->push_back({line.substr(0, space), line.substr(space + 1)});
    }
  }
  return true;
}

// How the front end answers the plug-in's requests.
struct Answers {
  std::optional<std::string> pwpath;
  std::optional<std::string> road;
  bool has_fix = false;
  std::string latitude, longitude, speed;
  // Degrees the fix moves on after each answered GPS request; "move 0 0" stops.
  double move_latitude = 0.0, move_longitude = 0.0;
};

// A coordinate text moved on by some degrees, written with "." and 7 decimals.
std::string Moved(const std::string& coordinate, double degrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7f", std::strtod(coordinate.c_str(), nullptr) + degrees);
  return text;
}

// Applies an answer instruction; false for any other instruction.
bool ApplyAnswer(const Instruction& instruction, Answers* answers) {
  if (instruction.name == "pwpath") {
    answers->pwpath = instruction.value;
  } else if (instruction.name == "road") {
    answers->road = instruction.value;
  } else if (instruction.name == "nofix") {
    answers->has_fix = false;
  } else if (instruction.name == "fix") {
    // LAT LON SPD...: the speed is everything after the second space.
    const std::string& value = instruction.value;
    const std::size_t first = value.find(' ');
    const std::size_t second = first == std::string::npos ? first : value.find(' ', first + 1);
    answers->has_fix = true;
    answers->latitude = value.substr(0, first);
    answers->longitude = first == std::string::npos ? "" : value.substr(first + 1, second - first - 1);
    answers->speed = second == std::string::npos ? "" : value.substr(second + 1);
  } else if (instruction.name == "move") {
    char* end = nullptr;
    answers->move_latitude = std::strtod(instruction.value.c_str(), &end);
    answers->move_longitude = std::strtod(end, nullptr);
  } else {
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- the window

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

// Applies the pending answers up to and including the next "fix".
void AdvanceServedAnswers() {
  while (host.next_pending < host.pending.size()) {
    const Instruction& instruction = host.pending[host.next_pending++];
    if (ApplyAnswer(instruction, &host.answers) && instruction.name == "fix") return;
  }
}

void HandleRequests(const std::string& text) {
  bool answered_gps = false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("||", start);
    const std::string request = text.substr(start, end == std::string::npos ? end : end - start);
    const Answers& answers = host.answers;
    if (request == "REQUEST;trezik;PWPATH") {
      if (answers.pwpath) SendReply("pwpath||" + *answers.pwpath);
    } else if (request == "REQUEST;trezik;CUSTOMFDROAD") {
      if (answers.road) SendReply("customfdroad||" + *answers.road);
    } else if (request == "REQUEST;trezik;GPSLAT") {
      if (answers.has_fix) SendReply("gpslat||" + answers.latitude);
      answered_gps = answered_gps || answers.has_fix;
    } else if (request == "REQUEST;trezik;GPSLON") {
      if (answers.has_fix) SendReply("gpslon||" + answers.longitude);
    } else if (request == "REQUEST;trezik;GPSSPD") {
      if (answers.has_fix) SendReply("gpsspd||" + answers.speed);
    }
    if (end == std::string::npos) break;
    start = end + 2;
  }
  if (answered_gps && (host.answers.move_latitude != 0.0 || host.answers.move_longitude != 0.0)) {
    host.answers.latitude = Moved(host.answers.latitude, host.answers.move_latitude);
    host.answers.longitude = Moved(host.answers.longitude, host.answers.move_longitude);
  }
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

bool CreateHostWindow() {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "trezik.TestHost";
  RegisterClassExA(&window_class);
  // Top-level and not shown: FindWindowA finds it all the same.
  host.window = CreateWindowExA(0, window_class.lpszClassName, kHostTitle, WS_OVERLAPPEDWINDOW, 0,
                                0, 200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
  return host.window != nullptr;
}

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

// ---------------------------------------------------------------- the plug-in

struct Outcome {
  HRESULT hr = S_OK;
  std::string description;
};

// Calls a member by name through IDispatch, as the front end does: texts by
// reference (VT_BYREF|VT_BSTR), the object by reference.
Outcome CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT>& reversed_args,
                   VARIANT* result) {
  Outcome outcome;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  outcome.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(outcome.hr)) return outcome;
  DISPPARAMS params = {reversed_args.data(), nullptr, static_cast<UINT>(reversed_args.size()), 0};
  EXCEPINFO excepinfo = {};
  UINT arg_error = 0;
  outcome.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, &excepinfo,
                              &arg_error);
  if (outcome.hr == DISP_E_EXCEPTION) {
    if (excepinfo.pfnDeferredFillIn != nullptr) excepinfo.pfnDeferredFillIn(&excepinfo);
    outcome.hr = excepinfo.scode;
    outcome.description = Ansi(excepinfo.bstrDescription);
  }
  SysFreeString(excepinfo.bstrSource);
  SysFreeString(excepinfo.bstrDescription);
  SysFreeString(excepinfo.bstrHelpFile);
  return outcome;
}

std::string ErrorText(const Outcome& outcome) {
  std::string text = "error " + Hex(outcome.hr);
  if (!outcome.description.empty()) text += " " + outcome.description;
  return text;
}

// The description of the thread's error info, for a failed creation.
std::string ErrorInfoDescription() {
  IErrorInfo* info = nullptr;
  std::string description;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text))) description = Ansi(text);
    SysFreeString(text);
    info->Release();
  }
  return description;
}

class Plugin {
 public:
  ~Plugin() { Release(); }

  // Creates an object; the earlier ones are released first unless kept.
  void Create(bool keep_others) {
    if (!keep_others) Release();
    CLSID clsid;
    Outcome outcome;
    IDispatch* created = nullptr;
    outcome.hr = CLSIDFromProgID(L"trezik.PWExtension", &clsid);
    if (SUCCEEDED(outcome.hr)) {
      outcome.hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(&created));
      if (FAILED(outcome.hr)) outcome.description = ErrorInfoDescription();
    }
    if (SUCCEEDED(outcome.hr)) {
      if (object_ != nullptr) others_.push_back(object_);
      object_ = created;
    }
    Emit(std::string("create ") + (keep_others ? "another " : "") + kProgId + " -> " +
         (SUCCEEDED(outcome.hr) ? "ok" : ErrorText(outcome)));
  }

  void Release() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
    for (IDispatch* other : others_) other->Release();
    others_.clear();
  }

  void Command(const std::string& text) {
    if (!Check("command " + text)) return;
    BSTR cmd = Bstr(text);
    IDispatch* frm = nullptr;
    std::vector<VARIANT> args(2);
    V_VT(&args[1]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&args[1]) = &cmd;
    V_VT(&args[0]) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&args[0]) = &frm;
    VARIANT result;
    VariantInit(&result);
    const Outcome outcome = CallByName(object_, L"ProcessCommand", args, &result);
    std::string shown;
    if (SUCCEEDED(outcome.hr) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) {
      shown = std::to_string(V_I4(&result));
    } else {
      shown = ErrorText(outcome);
    }
    Emit("command " + text + " -> " + shown);
    VariantClear(&result);
    SysFreeString(cmd);
  }

  void Label(const std::string& name) {
    if (!Check("label " + name)) return;
    BSTR lbl = Bstr(name);
    BSTR fmt = Bstr("");
    std::vector<VARIANT> args(2);
    V_VT(&args[1]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&args[1]) = &lbl;
    V_VT(&args[0]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&args[0]) = &fmt;
    Text("label " + name, L"ReturnLabel", args);
    SysFreeString(lbl);
    SysFreeString(fmt);
  }

  void Indicator(const std::string& name) {
    if (!Check("indicator " + name)) return;
    BSTR ind = Bstr(name);
    std::vector<VARIANT> args(1);
    V_VT(&args[0]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&args[0]) = &ind;
    Text("indicator " + name, L"ReturnIndicator", args);
    SysFreeString(ind);
  }

 private:
  bool Check(const std::string& what) {
    if (object_ != nullptr) return true;
    Emit(what + " -> no object");
    return false;
  }

  void Text(const std::string& what, const wchar_t* member, std::vector<VARIANT>& args) {
    VARIANT result;
    VariantInit(&result);
    const Outcome outcome = CallByName(object_, member, args, &result);
    if (SUCCEEDED(outcome.hr) && V_VT(&result) == VT_BSTR) {
      Emit(what + " -> " + Ansi(V_BSTR(&result)));
    } else {
      Emit(what + " -> " + ErrorText(outcome));
    }
    VariantClear(&result);
  }

  IDispatch* object_ = nullptr;      // the newest object, which the calls go to
  std::vector<IDispatch*> others_;   // older ones kept alive by "create another"
};

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

// Sends the huge reply from this thread, or from a second one while this
// thread (the plug-in's) handles messages until that send returns.
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
    while (MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0) {
      Pump(0);
    }
    CloseHandle(thread);
  }
  Emit(std::string("hugereply") + (from_thread ? " thread" : "") +
       (result == -1 ? " -> no trezik window" : " -> sent"));
}

// ---------------------------------------------------------------- modes

int Play(const std::vector<Instruction>& instructions) {
  Plugin plugin;
  for (const Instruction& instruction : instructions) {
    if (ApplyAnswer(instruction, &host.answers)) continue;
    const std::string& name = instruction.name;
    if (name == "create") {
      plugin.Create(instruction.value == "another");
    } else if (name == "release") {
      plugin.Release();
    } else if (name == "free") {
      // COM asks DllCanUnloadNow and unloads the DLL when it may.
      CoFreeUnusedLibraries();
      Emit(std::string("free -> trezik window ") +
           (FindWindowA(nullptr, kPluginTitle) != nullptr ? "present" : "gone"));
    } else if (name == "tick") {
      // As the timer delivers it, but at a scripted moment.
      HWND plugin_window = FindWindowA(nullptr, kPluginTitle);
      if (plugin_window == nullptr) {
        Emit("tick -> no trezik window");
      } else {
        SendMessageA(plugin_window, WM_TIMER, kTimer1Id, 0);
      }
    } else if (name == "reply") {
      SendReply(instruction.value);
    } else if (name == "hugereply") {
      HugeReply(instruction.value == "thread");
    } else if (name == "pump") {
      Pump(static_cast<DWORD>(std::strtoul(instruction.value.c_str(), nullptr, 10)));
    } else if (name == "command") {
      plugin.Command(instruction.value);
    } else if (name == "label") {
      plugin.Label(instruction.value);
    } else if (name == "indicator") {
      plugin.Indicator(instruction.value);
    } else {
      Emit("unknown instruction " + name);
    }
  }
  // As a well-behaved front end does on leaving: release, and let COM unload
  // the DLL, which saves the trip state first.
  plugin.Release();
  CoFreeUnusedLibraries();
  Emit("end");
  return 0;
}

int Serve(const std::vector<Instruction>& instructions, DWORD seconds) {
  host.serving = true;
  for (const Instruction& instruction : instructions) {
    if (instruction.name == "pwpath" || instruction.name == "road" ||
        instruction.name == "fix" || instruction.name == "nofix") {
      host.pending.push_back(instruction);
    }
  }
  AdvanceServedAnswers();
  Emit("ready");
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        Emit("stopped");
        return 0;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) {
      Emit("timed out");
      return 2;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

int Usage() {
  std::fputs(
      "usage: trezik-testhost [--log FILE] SCENARIO\n"
      "       trezik-testhost --serve [--log FILE] [--seconds N] SCENARIO\n"
      "       trezik-testhost --stop\n"
      "       trezik-testhost --version\n",
      stderr);
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  bool serve = false;
  DWORD seconds = 300;
  std::string scenario;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--stop") {
      HWND running = FindWindowA("trezik.TestHost", kHostTitle);
      if (running == nullptr) return 1;
      PostMessageA(running, WM_CLOSE, 0, 0);
      return 0;
    }
    if (argument == "--version") {
      std::printf("trezik-testhost %s\n", TREZIK_VERSION_TEXT);
      return 0;
    }
    if (argument == "--serve") {
      serve = true;
    } else if (argument == "--log" && i + 1 < argc) {
      log_file = std::fopen(argv[++i], "wb");
      if (log_file == nullptr) return Usage();
    } else if (argument == "--seconds" && i + 1 < argc) {
      seconds = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (scenario.empty() && argument[0] != '-') {
      scenario = argument;
    } else {
      return Usage();
    }
  }
  if (scenario.empty()) return Usage();
  std::vector<Instruction> instructions;
  if (!ReadScenario(scenario, &instructions)) {
    std::fprintf(stderr, "cannot read %s\n", scenario.c_str());
    return 66;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 70;
  int status = 70;
  if (CreateHostWindow()) status = serve ? Serve(instructions, seconds) : Play(instructions);
  if (host.window != nullptr && IsWindow(host.window)) DestroyWindow(host.window);
  CoUninitialize();
  if (log_file != nullptr) std::fclose(log_file);
  return status;
}
