// Test support: a platform wrapper with a fixed clock, a chosen module folder
// and decimal mark, and injectable file faults.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace trezik::testing {

class TestPlatform : public PlatformWrapper {
 public:
  explicit TestPlatform(Platform& target) : PlatformWrapper(target) {}

  std::string module_folder;
  char decimal_mark = '.';
  LocalTime now{2026, 12, 7, 8 * 3600.0};
  std::vector<std::intptr_t> reply_results;
  // Called right after ReplyMessage: a sender on another thread runs on.
  std::function<void()> after_reply;
  // Called after each message sent, still inside the sender's call.
  std::function<void(WindowHandle window, std::uint32_t message)> after_send;
  // Called before each file operation; may throw to inject a fault.
  std::function<void(const std::string& operation, const std::string& path)> before_file_call;

  std::string ModuleFolder() override { return module_folder; }
  char DecimalMark() override { return decimal_mark; }
  LocalTime Now() override { return now; }
  bool ReplyMessage(std::intptr_t result) override {
    reply_results.push_back(result);
    const bool released = PlatformWrapper::ReplyMessage(result);
    if (after_reply) after_reply();
    return released;
  }
  std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override {
    const std::intptr_t result = PlatformWrapper::SendMessage(window, message, wparam, lparam);
    if (after_send) after_send(window, message);
    return result;
  }
  std::string ReadFile(const std::string& path, std::size_t max_bytes) override {
    Check("read", path);
    return PlatformWrapper::ReadFile(path, max_bytes);
  }
  void AppendToFile(const std::string& path, std::string_view bytes) override {
    Check("append", path);
    PlatformWrapper::AppendToFile(path, bytes);
  }
  void WriteNewFile(const std::string& path, std::string_view bytes) override {
    Check("write", path);
    PlatformWrapper::WriteNewFile(path, bytes);
  }
  void ReplaceFileByRename(const std::string& from, const std::string& to) override {
    Check("rename", to);
    PlatformWrapper::ReplaceFileByRename(from, to);
  }

  void AdvanceSeconds(double seconds) {
    now.seconds_since_midnight += seconds;
    while (now.seconds_since_midnight >= 86400.0) {
      now.seconds_since_midnight -= 86400.0;
      ++now.day;  // tests stay well inside a month
    }
  }

 private:
  void Check(const std::string& operation, const std::string& path) {
    if (before_file_call) before_file_call(operation, path);
  }
};

}  // namespace trezik::testing
