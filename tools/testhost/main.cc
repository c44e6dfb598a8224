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
// The scenario's instructions: tools/testhost/scenario.h. The window:
// host_window.h; the calls to the plug-in: plugin_client.h.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/windows_headers.h"
#include "tools/testhost/host_window.h"
#include "tools/testhost/output.h"
#include "tools/testhost/plugin_client.h"
#include "tools/testhost/scenario.h"
#include "trezik_version.h"

namespace trezik::testhost {
namespace {

constexpr UINT_PTR kTimer1Id = 1;

int Play(const std::vector<Instruction>& instructions) {
  Plugin plugin;
  for (const Instruction& instruction : instructions) {
    if (ApplyAnswer(instruction, &HostAnswers())) continue;
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
      SystemPlatform().PumpMessagesFor(
          static_cast<std::uint32_t>(std::strtoul(instruction.value.c_str(), nullptr, 10)));
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

// Pumps until the window is closed (--stop: "stopped", 0) or for the given
// seconds ("timed out", 2).
int Serve(const std::vector<Instruction>& instructions, DWORD seconds) {
  ServeAnswers(instructions);
  Emit("ready");
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG left = now >= end ? 0 : std::min<ULONGLONG>(end - now, 0x7FFFFFFF);
    // It returns at the end of the time given or at a WM_QUIT, which it
    // leaves in the queue.
    SystemPlatform().PumpMessagesFor(static_cast<std::uint32_t>(left));
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
      Emit("stopped");
      return 0;
    }
    if (GetTickCount64() >= end) {
      Emit("timed out");
      return 2;
    }
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

int Main(int argc, char** argv) {
  bool serve = false;
  DWORD seconds = 300;
  std::string scenario;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--stop") {
      HWND running = FindWindowA(kHostWindowClass, kHostTitle);
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
      if (!OpenLog(argv[++i])) return Usage();
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
  DestroyHostWindow();
  CoUninitialize();
  CloseLog();
  return status;
}

}  // namespace
}  // namespace trezik::testhost

int main(int argc, char** argv) { return trezik::testhost::Main(argc, argv); }
