#include "tools/simulator/host_standin.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drive_test_support.h"
#include "platform/emulation.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/pwextension.h"

namespace trezik::drive {
namespace {

// A plug-in window that records the replies it is sent, and whether each
// arrived while a request to the host was still being handled.
std::vector<std::string> replies;
int sends_in_progress = 0;
std::vector<bool> nested;

std::intptr_t TREZIK_CALLBACK PlugInWindow(WindowHandle, std::uint32_t message, std::uintptr_t,
                                           std::intptr_t lparam) {
  if (message == kWmCopyData) {
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lparam);
    EXPECT_EQ(record->dwData, 1u);
    replies.emplace_back(static_cast<const char*>(record->lpData), record->cbData);
    nested.push_back(sends_in_progress > 0);
  }
  return 0;
}

class HostStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    replies.clear();
    nested.clear();
    plugin_ = platform_.CreateHiddenWindow("trezik", &PlugInWindow);
  }
  void Send(const std::string& text, std::uintptr_t data = 1) {
    CopyDataRecord record{data, static_cast<std::uint32_t>(text.size()), const_cast<char*>(text.data())};
    ++sends_in_progress;
    platform_.SendMessage(platform_.FindWindowByTitle("PathWarden"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
    --sends_in_progress;
  }
  EmulatedPlatform platform_;
  ScopedPlatform use_{platform_};
  WindowHandle plugin_ = 0;
};

TEST_F(HostStandInTest, AnswersTheTickRequestWithThreeNestedRepliesInOrder) {
  HostStandIn host(platform_, "C:\\PathWarden\\");
  host.SetFix("52.0001", "5", "63.2 km/h");
  Send("REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD");
  EXPECT_EQ(replies, (std::vector<std::string>{"gpslat||52.0001", "gpslon||5", "gpsspd||63.2 km/h"}));
  EXPECT_EQ(nested, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(host.unanswered_requests(), 0u);
}

TEST_F(HostStandInTest, AnswersPathAndRoadAndCountsExit) {
  HostStandIn host(platform_, "C:\\PathWarden\\");
  host.SetRoad("Ring Road");
  Send("REQUEST;trezik;PWPATH");
  Send("REQUEST;trezik;CUSTOMFDROAD");
  Send("exit");
  EXPECT_EQ(replies, (std::vector<std::string>{"pwpath||C:\\PathWarden\\", "customfdroad||Ring Road"}));
  EXPECT_EQ(host.exits(), 1);
  EXPECT_EQ(host.messages(), 3u);
}

TEST_F(HostStandInTest, LeavesUnanswerableRequestsUnanswered) {
  HostStandIn host(platform_, "C:\\");
  Send("REQUEST;trezik;GPSLAT");            // no fix yet
  Send("REQUEST;trezik;ALTITUDE");          // a value it does not know
  Send("REQUEST;nobody;PWPATH");            // no window of that name
  Send("REQUEST;trezik;PWPATH", 2);         // not a text message
  host.SetFix("1", "2", "3");
  host.ClearFix();
  Send("REQUEST;trezik;GPSLON");
  EXPECT_TRUE(replies.empty());
  EXPECT_EQ(host.unanswered_requests(), 4u);
}

}  // namespace
}  // namespace trezik::drive

namespace trezik::drive {
namespace {

// Regression: the emulation recorded every ReplyMessage and grew by 24 bytes
// a tick. A long drive through host and plug-in must keep the heap flat.
TEST(HostStandInDrive, ThousandsOfTicksLeaveTheHeapWhereItWas) {
  testing::ScratchFolder scratch;
  std::filesystem::create_directories(scratch.Path("plugin"));
  scratch.Write("pw.ini", "isunits=True\r\n");
  EmulatedPlatform platform;
  ScopedPlatform use(platform);
  platform.set_module_folder(scratch.Path("plugin"));
  HostStandIn host(platform, ToWindowsFolder(scratch.Path()));
  std::optional<PWExtension> plugin(std::in_place);
  auto drive = [&](int from, int to) {
    for (int s = from; s < to; ++s) {
      host.SetFix(DoubleToText(50.0 + (s % 500) * 1e-4, '.'), "8", "36 km/h");
      platform.PumpMessagesFor(1000);
    }
  };
  drive(0, 1000);
  const struct mallinfo2 before = mallinfo2();
  drive(1000, 21000);
  const struct mallinfo2 after = mallinfo2();
  EXPECT_EQ(after.uordblks + after.hblkhd, before.uordblks + before.hblkhd);
  EXPECT_GT(Form1::Get().Number(Form1::Get().distance), 50.0);
  plugin.reset();
  Form1::Unload();
}

}  // namespace
}  // namespace trezik::drive
