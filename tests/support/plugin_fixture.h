// Test support: a platform wrapper with a fixed clock, a chosen module folder
// and decimal mark and injectable file faults; a stand-in host window titled
// "PathWarden" that answers requests while it handles them, nested inside the
// plug-in's send; and a fixture that gives each test a fresh folder and
// tears Form1 down afterwards. Only the seam is used, so the same tests run
// against the emulation and, cross-built, against the real user32 under wine.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/form1.h"
#include "support/test_platform.h"
#if !defined(_WIN32)
#include "platform/emulation.h"
#endif

namespace trezik::testing {

// A folder written the plug-in's way: "\" separators and a final "\".
inline std::string PluginFolderText(const std::filesystem::path& folder) {
  std::string text = folder.string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// One WM_COPYDATA as the host window received it.
struct ReceivedMessage {
  std::uintptr_t dwData;
  std::uint32_t cbData;
  std::uintptr_t wparam;
  std::string text;          // the cbData counted bytes
  bool zero_after_text;      // the byte after them is 0
};

// The host's main window. Answers every request it knows, each with its own
// WM_COPYDATA to the window titled "trezik", while it handles the request.
class FakeHost {
 public:
  explicit FakeHost(Platform& platform, const std::string& title = "PathWarden")
      : platform_(platform) {
    Current() = this;
    window_ = platform_.CreateHiddenWindow(title, &FakeHost::Procedure);
  }
  ~FakeHost() {
    if (window_ != 0) platform_.DestroyWindow(window_);
    if (Current() == this) Current() = nullptr;
  }

  // Reply texts by request name ("PWPATH", "GPSLAT", ...); the text is sent
  // as it stands, so a test can send any reply.
  std::map<std::string, std::string> answers;
  std::vector<ReceivedMessage> received;

  void SetFix(const std::string& lat, const std::string& lon, const std::string& speed) {
    answers["GPSLAT"] = "gpslat||" + lat;
    answers["GPSLON"] = "gpslon||" + lon;
    answers["GPSSPD"] = "gpsspd||" + speed;
  }
  void ClearFix() {
    answers.erase("GPSLAT");
    answers.erase("GPSLON");
    answers.erase("GPSSPD");
  }

  // Sends one reply text to the plug-in's window.
  void SendReply(const std::string& text, std::uintptr_t dw_data = 1) {
    const WindowHandle plugin = platform_.FindWindowByTitle("trezik");
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    CopyDataRecord record{dw_data, static_cast<std::uint32_t>(text.size()), bytes.data()};
    platform_.SendMessage(plugin, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
  }

  WindowHandle window() const { return window_; }

 private:
  static FakeHost*& Current() {
    static FakeHost* current = nullptr;
    return current;
  }

  static std::intptr_t TREZIK_CALLBACK Procedure(WindowHandle window, std::uint32_t message,
                                                 std::uintptr_t wparam, std::intptr_t lparam) {
    FakeHost* host = Current();
    if (host == nullptr || message != kWmCopyData || lparam == 0) {
      return host != nullptr ? host->platform_.DefaultWindowProc(window, message, wparam, lparam)
                             : 0;
    }
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lparam);
    const char* bytes = static_cast<const char*>(record->lpData);
    ReceivedMessage got{record->dwData, record->cbData, wparam,
                        std::string(bytes, record->cbData), bytes[record->cbData] == '\0'};
    host->received.push_back(got);
    host->Answer(got.text);
    return 1;
  }

  void Answer(const std::string& text) {
    const std::string prefix = "REQUEST;trezik;";
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find("||", start);
      if (end == std::string::npos) end = text.size();
      const std::string request = text.substr(start, end - start);
      if (request.rfind(prefix, 0) == 0) {
        auto found = answers.find(request.substr(prefix.size()));
        if (found != answers.end()) SendReply(found->second);
      }
      start = end + 2;
    }
  }

  Platform& platform_;
  WindowHandle window_ = 0;
};

// A fresh platform, folder and host for every test; Form1 is torn down after.
class PluginFixture : public ::testing::Test {
 protected:
  PluginFixture()
#if defined(_WIN32)
      : platform_(SystemPlatform()),
#else
      : platform_(emulation_),
#endif
        use_(platform_) {
    static std::atomic<int> counter{0};
    folder_ = std::filesystem::temp_directory_path() /
              ("trezik-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + std::to_string(counter++) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "host");
    std::filesystem::create_directories(folder_ / "plugin");
    platform_.module_folder = PluginFolderText(folder_ / "plugin");
  }

  ~PluginFixture() override {
    Form1::Unload();
    host_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Starts the host window; it answers "pwpath" with the host folder.
  FakeHost& StartHost() {
    host_.reset();
    host_ = std::make_unique<FakeHost>(platform_);
    host_->answers["PWPATH"] = "pwpath||" + PluginFolderText(folder_ / "host");
    return *host_;
  }

  void WriteHostSettings(const std::string& content) { WriteBytes(folder_ / "host" / "pw.ini", content); }
  void WritePluginFile(const std::string& name, const std::string& content) {
    WriteBytes(folder_ / "plugin" / name, content);
  }
  std::string ReadPluginFile(const std::string& name) { return ReadBytes(folder_ / "plugin" / name); }
  bool PluginFileExists(const std::string& name) {
    return std::filesystem::exists(folder_ / "plugin" / name);
  }

  // One tick of Timer1, delivered as the timer delivers it.
  void Tick() { platform_.SendMessage(Form1::Get().hwnd(), kWmTimer, Form1::kTimer1Id, 0); }

#if !defined(_WIN32)
  EmulatedPlatform emulation_;
#endif
  TestPlatform platform_;
  ScopedPlatform use_;
  std::filesystem::path folder_;
  std::unique_ptr<FakeHost> host_;
};

}  // namespace trezik::testing
