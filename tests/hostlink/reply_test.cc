#include "hostlink/hook.h"
#include "hostlink/reply_parser.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using testing::FakeHost;
using testing::PluginFixture;

class ReplyTest : public PluginFixture {
 protected:
  ReplyTest() : form_(Form1::Get()) {}
  Form1& form_;
};

struct StoredReply {
  const char* reply;
  std::string Form1::*field;
  const char* expected;
};

TEST_F(ReplyTest, ValuesAreStoredExactlyUnderNamesOfAnyCase) {
  const StoredReply cases[] = {
      {"GPSLAT||51.25", &Form1::gpslat, "51.25"},
      {"gpslat||51.25||x", &Form1::gpslat, "51.25"},
      {"gpslat||", &Form1::gpslat, ""},
      {"GpsLon|| -0,5 ", &Form1::gpslon, " -0,5 "},
      {"pwpath||C:\\Program Files\\PW\\ ", &Form1::pwpath, "C:\\Program Files\\PW\\ "},
      {"customfdroad||Main Street", &Form1::city, "Main Street"},
      {"FDROAD||High Road", &Form1::city, "High Road"},
      {"tripmeter||12.5", &Form1::trip_total, "12.5"},
      {"$tripmeter$||13.5", &Form1::trip_total, "13.5"},
      // A total that is no number in the user's format is ignored.
      {"tripmeter||not a number", &Form1::trip_total, "13.5"},
      {"$tripmeter$||n/a", &Form1::trip_total, "13.5"},
      {"tripmeter||", &Form1::trip_total, "13.5"},
      {"tripmeter||-2.25", &Form1::trip_total, "-2.25"},
  };
  for (const StoredReply& c : cases) {
    ParseReply(c.reply);
    EXPECT_EQ(form_.*c.field, c.expected) << c.reply;
  }
  EXPECT_EQ(form_.distance, "0");
}

TEST_F(ReplyTest, UnknownEmptyAndValuelessRepliesChangeNothing) {
  for (const char* reply : {"speed||50", "", "||", "gpslat", "pwpath", "tripmeter"}) {
    ParseReply(reply);
    EXPECT_EQ(form_.gpslat, "gpslat") << reply;
    EXPECT_EQ(form_.pwpath, "") << reply;
    EXPECT_EQ(form_.trip_total, "0") << reply;
    EXPECT_EQ(form_.maxspeed, 0.0) << reply;
  }
}

struct SpeedCase {
  double before;
  const char* reply;
  double after;
};

class SpeedTest : public ReplyTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(SpeedTest, RaisesMaxspeedToTheRoundedSpeedOnly) {
  form_.maxspeed = GetParam().before;
  ParseReply(GetParam().reply);
  EXPECT_EQ(form_.maxspeed, GetParam().after) << GetParam().reply;
}

INSTANTIATE_TEST_SUITE_P(
    Gpsspd, SpeedTest,
    ::testing::Values(SpeedCase{60, "gpsspd||63 km/h", 63}, SpeedCase{60, "gpsspd||62.5", 62},
                      SpeedCase{60, "gpsspd||63.5", 64}, SpeedCase{60, "gpsspd||60.4", 60},
                      SpeedCase{60, "gpsspd||n/a", 60}, SpeedCase{60, "gpsspd|| 63", 60},
                      SpeedCase{60, "gpsspd||40000", 60}, SpeedCase{60, "gpsspd", 60},
                      SpeedCase{60, "gpsspd||", 60}, SpeedCase{63, "gpsspd||63", 63},
                      SpeedCase{60.7, "gpsspd||60.9", 61}, SpeedCase{0, "GPSSPD||32767", 32767},
                      SpeedCase{0, "gpsspd||1e400", 0}, SpeedCase{0, "gpsspd||63,5", 0}));

TEST_F(ReplyTest, SpeedUsesTheUsersDecimalMark) {
  Form1::Unload();
  platform_.decimal_mark = ',';
  Form1& form = Form1::Get();
  form.maxspeed = 60;
  ParseReply("gpsspd||63,5 km/h");
  EXPECT_EQ(form.maxspeed, 64);
  ParseReply("gpsspd||70.5");
  EXPECT_EQ(form.maxspeed, 64);
}

// Records what reaches the procedure the hook replaced.
struct Seen {
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};
std::vector<Seen>& SeenByPrevious() {
  static std::vector<Seen> seen;
  return seen;
}
std::intptr_t TREZIK_CALLBACK PreviousProcedure(WindowHandle window, std::uint32_t message,
                                                std::uintptr_t wparam, std::intptr_t lparam) {
  // The window's own life-cycle messages go to the default procedure.
  if (message < kWmUser && message != kWmCopyData) {
    return CurrentPlatform().DefaultWindowProc(window, message, wparam, lparam);
  }
  SeenByPrevious().push_back({message, wparam, lparam});
  return 0x1234 + static_cast<std::intptr_t>(wparam);
}

class HookTest : public PluginFixture {
 protected:
  HookTest() {
    SeenByPrevious().clear();
    window_ = platform_.CreateHiddenWindow("trezik-hook-test", &PreviousProcedure);
  }
  ~HookTest() override { platform_.DestroyWindow(window_); }
  WindowHandle window_ = 0;
};

TEST_F(HookTest, EveryMessageReachesThePreviousProcedureWithItsResult) {
  Form1& form = Form1::Get();
  form.PrevWndProc = 0;
  // Hook a window of our own, as start-up hooks Form1's.
  Form1::Get().PrevWndProc = platform_.SetWindowProc(window_, reinterpret_cast<std::intptr_t>(&ReplyWindowProc));
  ASSERT_NE(form.PrevWndProc, 0);
  EXPECT_EQ(platform_.SendMessage(window_, kWmUser + 5, 7, 9), 0x1234 + 7);
  const std::string text = "gpslat||1.5";
  CopyDataRecord record{1, static_cast<std::uint32_t>(text.size()), const_cast<char*>(text.data())};
  EXPECT_EQ(platform_.SendMessage(window_, kWmCopyData, 3, reinterpret_cast<std::intptr_t>(&record)),
            0x1234 + 3);
  EXPECT_EQ(form.gpslat, "1.5");
  ASSERT_EQ(SeenByPrevious().size(), 2u);
  EXPECT_EQ(SeenByPrevious()[0].message, kWmUser + 5);
  EXPECT_EQ(SeenByPrevious()[0].lparam, 9);
  EXPECT_EQ(SeenByPrevious()[1].message, kWmCopyData);
  UnhookWindow(window_);
}

TEST_F(HookTest, HookingTwiceKeepsTheFirstPreviousProcedure) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  const std::intptr_t first = form.PrevWndProc;
  ASSERT_NE(first, 0);
  HookWindow(form.hwnd());
  EXPECT_EQ(form.PrevWndProc, first);
  EXPECT_NE(form.PrevWndProc, reinterpret_cast<std::intptr_t>(&ReplyWindowProc));
  // A message still ends: the chain has no loop back into the hook.
  EXPECT_EQ(platform_.SendMessage(form.hwnd(), kWmUser, 0, 0), 0);
}

TEST_F(HookTest, AfterUnhookRepliesAreNoLongerParsedAndASecondUnhookDoesNothing) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  FakeHost& host = StartHost();
  host.SendReply("gpslat||1");
  EXPECT_EQ(form.gpslat, "1");
  UnhookWindow(form.hwnd());
  EXPECT_EQ(form.PrevWndProc, 0);
  host.SendReply("gpslat||2");
  EXPECT_EQ(form.gpslat, "1");
  UnhookWindow(form.hwnd());
  host.SendReply("gpslat||3");
  EXPECT_EQ(form.gpslat, "1");
}

TEST_F(HookTest, OtherDwDataIsIgnoredAfterReplyMessage) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  FakeHost& host = StartHost();
  host.SendReply("gpslat||1", 2);
  EXPECT_EQ(form.gpslat, "gpslat");
  ASSERT_EQ(platform_.reply_results.size(), 1u);
  EXPECT_EQ(platform_.reply_results[0], 1);
}

TEST_F(HookTest, ACountedZeroByteStaysInTheText) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  StartHost();
  const char bytes[] = "gpslat||7\0";
  CopyDataRecord record{1, 10, const_cast<char*>(bytes)};
  platform_.SendMessage(form.hwnd(), kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
  EXPECT_EQ(form.gpslat, std::string("7\0", 2));
}

TEST_F(HookTest, EmptyReplyAndNullDataAreHandledWithoutFault) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  CopyDataRecord empty{1, 0, nullptr};
  platform_.SendMessage(form.hwnd(), kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&empty));
  CopyDataRecord broken{1, 5, nullptr};
  platform_.SendMessage(form.hwnd(), kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&broken));
  EXPECT_EQ(form.gpslat, "gpslat");
}

// Any program on the desktop can send the window a count near 2 GiB; the
// bytes behind it are never read, the sender is still released, and the next
// reply is applied as ever.
TEST_F(HookTest, RepliesLongerThan64KiBAreReleasedUnread) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  std::string longest = "gpslat||" + std::string(kLongestReply - 8, '7');
  struct Case {
    std::uint32_t count;
    bool applied;
  };
  for (const Case c : {Case{0x7FFFFFF0u, false}, Case{kLongestReply + 1, false},
                       Case{kLongestReply, true}}) {
    form.gpslat = "before";
    platform_.reply_results.clear();
    CopyDataRecord record{1, c.count, longest.data()};
    EXPECT_NO_THROW(platform_.SendMessage(form.hwnd(), kWmCopyData, 0,
                                          reinterpret_cast<std::intptr_t>(&record)));
    EXPECT_EQ(form.gpslat.size(), c.applied ? kLongestReply - 8 : 6) << c.count;
    EXPECT_EQ(platform_.reply_results, std::vector<std::intptr_t>{1}) << c.count;
  }
  StartHost().SendReply("gpslat||51.5");
  EXPECT_EQ(form.gpslat, "51.5");
}

// Once released, a sender on another thread may reuse its buffer at once:
// the reply must have been copied before.
TEST_F(HookTest, TheReplyIsCopiedBeforeTheSenderIsReleased) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  std::string sent = "gpslat||51.25";
  platform_.after_reply = [&] { sent.replace(8, 5, "99.99"); };
  CopyDataRecord record{1, static_cast<std::uint32_t>(sent.size()), sent.data()};
  platform_.SendMessage(form.hwnd(), kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
  EXPECT_EQ(form.gpslat, "51.25");
}

TEST_F(HookTest, NothingLeavesTheStateHoldersWindowProcedure) {
  Form1& form = Form1::Get();
  form.set_handlers({.timer1 = [](Form1&) { throw std::bad_alloc(); },
                     .final_save = [](Form1&) { throw Error(ErrorKind::kDiskFull, "full"); }});
  EXPECT_EQ(platform_.SendMessage(form.hwnd(), kWmTimer, Form1::kTimer1Id, 0), 0);
  EXPECT_EQ(platform_.SendMessage(form.hwnd(), kWmEndSession, 1, 0), 0);
  form.set_handlers({});
}

}  // namespace
}  // namespace trezik
