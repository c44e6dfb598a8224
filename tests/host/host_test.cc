// The host of the plug-in on the seam: what it answers, where, when, and
// what it counts. Runs on the emulation and, cross-built, on the real user32.
#include "host/host.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/plugin_fixture.h"

namespace trezik::host {
namespace {

// A plug-in window that keeps the replies it is sent, and whether each came
// while a send to the host was still being handled.
struct Delivered {
  std::string text;
  bool nested;
};
std::vector<Delivered> delivered;
int sends_in_progress = 0;

std::intptr_t TREZIK_CALLBACK PlugInWindow(WindowHandle, std::uint32_t message, std::uintptr_t,
                                           std::intptr_t lparam) {
  if (message == kWmCopyData) {
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lparam);
    EXPECT_EQ(record->dwData, 1u);
    delivered.push_back({std::string(static_cast<const char*>(record->lpData), record->cbData),
                         sends_in_progress > 0});
  }
  return 0;
}

struct Sent {
  std::string text;
  std::uintptr_t dw_data;
};

struct HostCase {
  const char* what;
  std::vector<Sent> sent;
  std::vector<std::string> replies;  // every one nested inside its request
  std::uint64_t messages, unanswered;
  int exits;
  std::vector<std::string> unknown;
};

class HostTest : public testing::PluginFixture {
 protected:
  HostTest() {
    delivered.clear();
    plugin_window_ = platform_.CreateHiddenWindow("trezik", &PlugInWindow);
  }
  ~HostTest() override { platform_.DestroyWindow(plugin_window_); }
  void Send(const Sent& sent) {
    std::string bytes = sent.text;
    CopyDataRecord record{sent.dw_data, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
    ++sends_in_progress;
    platform_.SendMessage(platform_.FindWindowByTitle("PathWarden"), kWmCopyData, 0,
                          reinterpret_cast<std::intptr_t>(&record));
    --sends_in_progress;
  }
  WindowHandle plugin_window_ = 0;
};

TEST_F(HostTest, AnswersWhatItKnowsToTheWindowNamedInTheRequest) {
  const std::string tick = "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD";
  const HostCase cases[] = {
      {"a tick: three replies in the order asked", {{tick, 1}},
       {"gpslat||52.0001", "gpslon||5", "gpsspd||63.2 km/h"}, 1, 0, 0, {}},
      {"the folder and the road", {{"REQUEST;trezik;PWPATH", 1}, {"REQUEST;trezik;CUSTOMFDROAD", 1}},
       {"pwpath||C:\\PathWarden\\", "customfdroad||Ring Road"}, 2, 0, 0, {}},
      {"the keypad's exit", {{"exit", 1}}, {}, 1, 0, 1, {}},
      {"unknown name, unknown window, no request at all",
       {{"REQUEST;trezik;ALTITUDE", 1}, {"REQUEST;nobody;PWPATH", 1}, {"REQUEST;trezik", 1},
        {"hello", 1}},
       {}, 4, 3, 0, {"hello"}},
      {"not a text message: neither answered nor counted", {{"REQUEST;trezik;PWPATH", 2}}, {}, 0, 0,
       0, {}},
  };
  for (const HostCase& c : cases) {
    SCOPED_TRACE(c.what);
    delivered.clear();
    Host host(platform_, "C:\\PathWarden\\");
    host.SetFix("52.0001", "5", "63.2 km/h");
    host.SetRoad("Ring Road");
    for (const Sent& sent : c.sent) Send(sent);
    std::vector<std::string> replies;
    for (const Delivered& d : delivered) {
      replies.push_back(d.text);
      EXPECT_TRUE(d.nested) << d.text;
    }
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(host.messages(), c.messages);
    EXPECT_EQ(host.unanswered_requests(), c.unanswered);
    EXPECT_EQ(host.exits(), c.exits);
    EXPECT_EQ(host.unknown_messages(), c.unknown);
  }
}

TEST_F(HostTest, ClearedFixAndRemovedAnswersGoUnanswered) {
  Host host(platform_, "C:\\");
  Send({"REQUEST;trezik;GPSLAT", 1});  // no fix yet
  host.SetFix("1", "2", "3");
  host.ClearFix();
  Send({"REQUEST;trezik;GPSLON", 1});
  host.answers.erase("PWPATH");
  Send({"REQUEST;trezik;PWPATH", 1});
  host.answers["PWPATH"] = "anything||at all";  // sent as it stands
  Send({"REQUEST;trezik;PWPATH", 1});
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].text, "anything||at all");
  EXPECT_EQ(host.unanswered_requests(), 3u);
}

TEST_F(HostTest, KeepsEveryMessageOnlyWhenAskedAndSendsRepliesOfItsOwn) {
  Host host(platform_, "C:\\");
  Send({"exit", 1});
  EXPECT_TRUE(host.received.empty());
  host.set_keep_received(true);
  Send({"exit", 1});
  Send({"abc", 7});
  ASSERT_EQ(host.received.size(), 2u);
  EXPECT_EQ(host.received[1].dwData, 7u);
  EXPECT_EQ(host.received[1].cbData, 3u);
  EXPECT_EQ(host.received[1].text, "abc");
  EXPECT_TRUE(host.received[1].zero_after_text);  // a std::string's own zero

  host.SendReply("gpslat||1.5");
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].text, "gpslat||1.5");
  EXPECT_FALSE(delivered[0].nested);
}

}  // namespace
}  // namespace trezik::host
