// The seam's contract, run against the emulation natively and against the
// real user32/kernel32 when cross-built and run under wine.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/plugin_fixture.h"

namespace trezik {
namespace {

struct Delivery {
  WindowHandle window;
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

std::vector<Delivery>& Log() {
  static std::vector<Delivery> log;
  return log;
}

WindowHandle& Peer() {
  static WindowHandle peer = 0;
  return peer;
}

bool Recorded(std::uint32_t message) { return message >= kWmUser || message == kWmCopyData; }

// Records its messages and answers kWmUser + 1 by sending kWmUser + 2 to its
// peer, nested inside the first send.
std::intptr_t TREZIK_CALLBACK Recorder(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) {
  if (!Recorded(message)) return CurrentPlatform().DefaultWindowProc(window, message, wparam, lparam);
  Log().push_back({window, message, wparam, lparam});
  if (message == kWmUser + 1 && Peer() != 0) {
    const std::intptr_t inner = CurrentPlatform().SendMessage(Peer(), kWmUser + 2, wparam + 1, 0);
    Log().push_back({window, kWmUser + 3, 0, inner});
  }
  if (message == kWmCopyData) {
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lparam);
    return static_cast<std::intptr_t>(record->dwData * 1000 + record->cbData);
  }
  return static_cast<std::intptr_t>(wparam * 10);
}

// A subclass in front of Recorder that adds 1 to every result.
std::intptr_t& SavedProc() {
  static std::intptr_t saved = 0;
  return saved;
}
std::intptr_t TREZIK_CALLBACK Subclass(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) {
  return CurrentPlatform().CallWindowProc(SavedProc(), window, message, wparam, lparam) +
         (Recorded(message) ? 1 : 0);
}

class PlatformContractTest : public testing::PluginFixture {
 protected:
  PlatformContractTest() {
    Log().clear();
    Peer() = 0;
    first_ = platform_.CreateHiddenWindow("trezik-contract-first", &Recorder);
    second_ = platform_.CreateHiddenWindow("trezik-contract-second", &Recorder);
  }
  ~PlatformContractTest() override {
    platform_.DestroyWindow(first_);
    platform_.DestroyWindow(second_);
  }
  WindowHandle first_ = 0;
  WindowHandle second_ = 0;
};

TEST_F(PlatformContractTest, WindowsAreFoundByTitleWithoutRegardToCase) {
  ASSERT_NE(first_, 0u);
  EXPECT_EQ(platform_.FindWindowByTitle("TREZIK-Contract-First"), first_);
  EXPECT_EQ(platform_.FindWindowByTitle("trezik-contract-second"), second_);
  EXPECT_EQ(platform_.FindWindowByTitle("trezik-contract-none"), 0u);
}

TEST_F(PlatformContractTest, SendRunsTheProcedureAndReturnsItsResult) {
  EXPECT_EQ(platform_.SendMessage(first_, kWmUser + 7, 4, 99), 40);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].window, first_);
  EXPECT_EQ(Log()[0].message, kWmUser + 7);
  EXPECT_EQ(Log()[0].lparam, 99);
}

TEST_F(PlatformContractTest, ANestedSendCompletesInsideTheOuterOne) {
  Peer() = second_;
  EXPECT_EQ(platform_.SendMessage(first_, kWmUser + 1, 5, 0), 50);
  ASSERT_EQ(Log().size(), 3u);
  EXPECT_EQ(Log()[0].message, kWmUser + 1);
  EXPECT_EQ(Log()[1].window, second_);
  EXPECT_EQ(Log()[1].message, kWmUser + 2);
  EXPECT_EQ(Log()[1].wparam, 6u);
  EXPECT_EQ(Log()[2].lparam, 60);  // the inner result, seen before the outer send returned
}

TEST_F(PlatformContractTest, CopyDataReachesAWindowOfTheSameThreadAsSent) {
  char bytes[] = "gpslat||1";
  CopyDataRecord record{1, 9, bytes};
  EXPECT_EQ(platform_.SendMessage(first_, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record)),
            1009);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].message, kWmCopyData);
  EXPECT_EQ(Log()[0].wparam, 0u);
}

TEST_F(PlatformContractTest, ASubclassChainsToThePreviousProcedureAndCanBeRemoved) {
  SavedProc() = platform_.SetWindowProc(first_, reinterpret_cast<std::intptr_t>(&Subclass));
  ASSERT_NE(SavedProc(), 0);
  EXPECT_EQ(platform_.SendMessage(first_, kWmUser, 3, 0), 31);
  EXPECT_EQ(platform_.SetWindowProc(first_, SavedProc()), reinterpret_cast<std::intptr_t>(&Subclass));
  EXPECT_EQ(platform_.SendMessage(first_, kWmUser, 3, 0), 30);
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(PlatformContractTest, UnknownWindowsAreNoFault) {
  platform_.DestroyWindow(second_);
  EXPECT_EQ(platform_.SendMessage(second_, kWmUser, 1, 0), 0);
  EXPECT_EQ(platform_.SetWindowProc(second_, reinterpret_cast<std::intptr_t>(&Subclass)), 0);
  second_ = 0;
}

TEST_F(PlatformContractTest, MoveMemoryCopiesExactlyTheCount) {
  char target[6] = "xxxxx";
  platform_.MoveMemory(target, "abc", 3);
  EXPECT_STREQ(target, "abcxx");
}

TEST_F(PlatformContractTest, FilesAreWrittenReplacedAppendedAndRead) {
  const std::string folder = testing::PluginFolderText(folder_);
  platform_.WriteNewFile(folder + "a.txt", "first");
  EXPECT_EQ(platform_.ReadFile(folder + "a.txt", 64), "first");
  EXPECT_EQ(platform_.FileSize(folder + "a.txt"), 5u);
  platform_.WriteNewFile(folder + "b.txt", "second\r\n");
  platform_.ReplaceFileByRename(folder + "b.txt", folder + "a.txt");
  EXPECT_EQ(platform_.ReadFile(folder + "a.txt", 64), "second\r\n");
  EXPECT_FALSE(platform_.FileSize(folder + "b.txt").has_value());
  platform_.AppendToFile(folder + "a.txt", "more");
  platform_.AppendToFile(folder + "c.txt", "new");
  EXPECT_EQ(platform_.ReadFile(folder + "a.txt", 64), "second\r\nmore");
  EXPECT_EQ(platform_.ReadFile(folder + "a.txt", 8), "second\r\n");  // only the first bytes
  EXPECT_EQ(platform_.ReadFile(folder + "c.txt", 64), "new");
  platform_.RemoveFile(folder + "c.txt");
  EXPECT_NO_THROW(platform_.RemoveFile(folder + "c.txt"));
}

TEST_F(PlatformContractTest, FileErrorsAreTyped) {
  const std::string folder = testing::PluginFolderText(folder_);
  struct Case {
    const char* what;
    std::function<void()> call;
    ErrorKind kind;
  };
  const Case cases[] = {
      {"read missing", [&] { platform_.ReadFile(folder + "none.txt", 64); }, ErrorKind::kFileNotFound},
      {"read in missing folder", [&] { platform_.ReadFile(folder + "none\\x.ini", 64); },
       ErrorKind::kPathNotFound},
      {"append in missing folder", [&] { platform_.AppendToFile(folder + "none\\x.log", "x"); },
       ErrorKind::kPathNotFound},
      {"write in missing folder", [&] { platform_.WriteNewFile(folder + "none\\x.ini", "x"); },
       ErrorKind::kPathNotFound},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.kind(), c.kind) << c.what << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace trezik
