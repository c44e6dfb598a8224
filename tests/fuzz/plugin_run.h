// The plug-in as the fuzz targets run it: started on a fresh emulated
// platform against a host window titled "PathWarden" that answers requests
// nested inside the plug-in's send, with its files in a scratch folder of
// this process.
#pragma once

#include <cstdint>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/emulation.h"
#include "platform/platform.h"
#include "plugin/pwextension.h"
#include "state/form1.h"

namespace trezik::fuzz {

namespace fs = std::filesystem;

// The folder of this process, with "host" (pw.ini) and "plugin" (the
// plug-in's own files) below it; removed at exit. It lies on a memory file
// system when there is one: every save of the state file is flushed.
inline const fs::path& ScratchFolder() {
  // Never destroyed, so that the clean-up at exit still finds it.
  static const fs::path* const folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    auto* made = new fs::path(base / ("trezik-fuzz-" + std::to_string(::getpid())));
    fs::remove_all(*made);
    fs::create_directories(*made / "host");
    fs::create_directories(*made / "plugin");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ScratchFolder(), ignored);
    });
    return made;
  }();
  return *folder;
}

inline fs::path PluginFile(const std::string& name) { return ScratchFolder() / "plugin" / name; }

inline void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The host's main window. "PWPATH" is always answered with the host folder,
// so that start-up succeeds; any other request gets the next of `fuzzed`
// while there is one, else its entry in `answers`, else no reply. A fuzzed
// text "~" is sent as an empty record with no data, one starting with "!"
// (the rest) with dwData 2, which is no reply to the plug-in; one starting
// with "^" (the rest) with a count far beyond its bytes (past 64 KiB, or
// near 2 GiB), as any program on the desktop may send; one starting with "&"
// (the rest) from a sender on another thread, which frees its bytes as soon
// as the plug-in releases it.
class FuzzHost {
 public:
  FuzzHost(EmulatedPlatform& platform, std::string host_folder)
      : platform_(platform), pwpath_reply_("pwpath||" + std::move(host_folder)) {
    Current() = this;
    window_ = platform_.CreateHiddenWindow("PathWarden", &FuzzHost::Procedure);
  }
  ~FuzzHost() {
    platform_.DestroyWindow(window_);
    Current() = nullptr;
  }
  FuzzHost(const FuzzHost&) = delete;
  FuzzHost& operator=(const FuzzHost&) = delete;

  std::deque<std::string> fuzzed;
  std::map<std::string, std::string> answers;  // by request name, "GPSLAT", ...
  int fix_requests = 0;  // messages asking for GPSLAT
  int exits = 0;         // "exit" messages

 private:
  static FuzzHost*& Current() {
    static FuzzHost* current = nullptr;
    return current;
  }

  static std::intptr_t TREZIK_CALLBACK Procedure(WindowHandle, std::uint32_t message, std::uintptr_t,
                                                 std::intptr_t lparam) {
    FuzzHost* host = Current();
    if (host == nullptr || message != kWmCopyData || lparam == 0) return 0;
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lparam);
    const std::string text(static_cast<const char*>(record->lpData), record->cbData);
    host->Handle(text);
    return 1;
  }

  void Handle(const std::string& text) {
    if (text == "exit") {
      ++exits;
      return;
    }
    constexpr std::string_view prefix = "REQUEST;trezik;";
    if (text.find("GPSLAT") != std::string::npos) ++fix_requests;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find("||", start);
      if (end == std::string::npos) end = text.size();
      const std::string request = text.substr(start, end - start);
      if (request.rfind(prefix, 0) == 0) Answer(request.substr(prefix.size()));
      start = end + 2;
    }
  }

  void Answer(const std::string& name) {
    if (name == "PWPATH") {
      Send(pwpath_reply_, 1);
    } else if (!fuzzed.empty()) {
      const std::string reply = std::move(fuzzed.front());
      fuzzed.pop_front();
      if (reply == "~") {
        SendEmptyRecord();
      } else if (!reply.empty() && reply[0] == '!') {
        Send(reply.substr(1), 2);
      } else if (!reply.empty() && reply[0] == '^') {
        SendOverlong(reply.substr(1));
      } else if (!reply.empty() && reply[0] == '&') {
        SendFromAnotherThread(reply.substr(1));
      } else if (!reply.empty()) {
        Send(reply, 1);
      }
    } else if (auto found = answers.find(name); found != answers.end()) {
      Send(found->second, 1);
    }
  }

  // A reply of its own to the window titled "trezik", sent while the
  // request is being handled, as the host does.
  void Send(const std::string& text, std::uintptr_t dw_data) {
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    CopyDataRecord record{dw_data, static_cast<std::uint32_t>(text.size()), bytes.data()};
    platform_.SendMessage(platform_.FindWindowByTitle("trezik"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
  }

  void SendOverlong(const std::string& text) {
    const std::uint32_t count = text.size() % 2 == 0 ? 0x7FFFFFF0u : 64 * 1024 + 1;
    CopyDataRecord record{1, count, const_cast<char*>(text.data())};
    platform_.SendMessage(platform_.FindWindowByTitle("trezik"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
  }

  // The bytes live on the heap and go the moment the sender is released:
  // AddressSanitizer sees any read of them after that.
  void SendFromAnotherThread(const std::string& text) {
    auto bytes = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), bytes.get());
    CopyDataRecord record{1, static_cast<std::uint32_t>(text.size()), bytes.get()};
    platform_.SendNextFromAnotherThread([&bytes] { bytes.reset(); });
    platform_.SendMessage(platform_.FindWindowByTitle("trezik"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
  }

  void SendEmptyRecord() {
    CopyDataRecord record{1, 0, nullptr};
    platform_.SendMessage(platform_.FindWindowByTitle("trezik"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
  }

  EmulatedPlatform& platform_;
  std::string pwpath_reply_;
  WindowHandle window_ = 0;
};

struct StartOptions {
  char decimal_mark = '.';
  bool metric = true;
  std::string plugin_settings;  // "trezik.ini"; none when empty
  std::string state_file;       // "tripmeter.ini"; none when empty

  // The decimal mark from bit 0 of a fuzzed options byte, the units from bit 2.
  static StartOptions FromBits(std::uint8_t bits) {
    StartOptions start;
    start.decimal_mark = (bits & 1) != 0 ? ',' : '.';
    start.metric = (bits & 4) == 0;
    return start;
  }
};

// One life of the plug-in: the files laid out afresh, a new emulated
// platform and host, PWExtension created; at the end Form1 is torn down (its
// final save runs) and the plug-in's files are removed.
class PluginRun {
 public:
  explicit PluginRun(const StartOptions& options) : use(platform), host(platform, HostFolder()) {
    ClearPluginFolder();
    WriteBytes(ScratchFolder() / "host" / "pw.ini",
               options.metric ? "isunits=True\r\n" : "isunits=False\r\n");
    if (!options.plugin_settings.empty()) WriteBytes(PluginFile("trezik.ini"), options.plugin_settings);
    if (!options.state_file.empty()) WriteBytes(PluginFile("tripmeter.ini"), options.state_file);
    platform.set_decimal_mark(options.decimal_mark);
    platform.set_module_folder((ScratchFolder() / "plugin").string());
    try {
      plugin = std::make_unique<PWExtension>();
    } catch (...) {
      Form1::Unload();  // no Form1 may outlive this platform
      throw;
    }
  }
  ~PluginRun() {
    Form1::Unload();
    ClearPluginFolder();
  }
  PluginRun(const PluginRun&) = delete;
  PluginRun& operator=(const PluginRun&) = delete;

  Form1& form() { return Form1::Get(); }

  EmulatedPlatform platform;
  ScopedPlatform use;
  FuzzHost host;
  std::unique_ptr<PWExtension> plugin;

 private:
  static std::string HostFolder() { return ToWindowsFolder((ScratchFolder() / "host").string()); }
  static void ClearPluginFolder() {
    for (const auto& entry : fs::directory_iterator(ScratchFolder() / "plugin")) fs::remove(entry.path());
  }
};

}  // namespace trezik::fuzz
