// Test support: a fixture that gives each test a fresh folder, a platform
// wrapper with a fixed clock, a chosen module folder and decimal mark and
// injectable file faults (support/test_platform.h), the host stand-in
// (host/host.h), and tears Form1 down afterwards. Only the seam is
// used, so the same tests run against the emulation and, cross-built,
// against the real user32 under wine.
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
#include "support/scratch_folder.h"
#include "support/test_platform.h"
#include "host/host.h"
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

// The host's main window (host/host.h), keeping every message it
// receives.
using FakeHost = host::Host;

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
    folder_ = MakeScratchFolder(std::string("trezik-test-") +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                "-");
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
    host_ = std::make_unique<FakeHost>(platform_, PluginFolderText(folder_ / "host"));
    host_->set_keep_received(true);
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
