#include "hostlink/sender.h"

#include "hostlink/hook.h"

#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using testing::FakeHost;
using testing::PluginFixture;

class SenderTest : public PluginFixture {};

TEST_F(SenderTest, ExitArrivesAsCountedBytesWithOneUncountedZero) {
  FakeHost& host = StartHost();
  SendToHost("PathWarden", "exit");
  ASSERT_EQ(host.received.size(), 1u);
  EXPECT_EQ(host.received[0].dwData, 1u);
  EXPECT_EQ(host.received[0].cbData, 4u);
  EXPECT_EQ(host.received[0].wparam, 0u);
  EXPECT_EQ(host.received[0].text, "exit");
  EXPECT_TRUE(host.received[0].zero_after_text);
}

TEST_F(SenderTest, TitleIsMatchedWithoutRegardToCase) {
  FakeHost& host = StartHost();
  SendToHost("Pathwarden", "exit");
  EXPECT_EQ(host.received.size(), 1u);
}

TEST_F(SenderTest, EmptyMessageSendsNothing) {
  FakeHost& host = StartHost();
  SendToHost("PathWarden", "");
  EXPECT_TRUE(host.received.empty());
}

TEST_F(SenderTest, NoHostWindowIsNoError) {
  Form1& form = Form1::Get();
  EXPECT_NO_THROW(SendToHost("PathWarden", "REQUEST;trezik;PWPATH"));
  EXPECT_EQ(form.pwpath, "");
}

TEST_F(SenderTest, CombinedRequestGoesAsOneMessage) {
  FakeHost& host = StartHost();
  SendToHost("PathWarden", "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD");
  ASSERT_EQ(host.received.size(), 1u);
  EXPECT_EQ(host.received[0].cbData, 67u);  // three requests of 21 and two separators
  EXPECT_EQ(host.received[0].text,
            "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD");
}

TEST_F(SenderTest, NestedRepliesAreStoredBeforeTheSendReturns) {
  Form1& form = Form1::Get();
  HookWindow(form.hwnd());
  FakeHost& host = StartHost();
  host.SetFix("51.25", "-0.5", "63 km/h");
  SendToHost("PathWarden", "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD");
  EXPECT_EQ(form.gpslat, "51.25");
  EXPECT_EQ(form.gpslon, "-0.5");
  EXPECT_EQ(form.maxspeed, 63.0);
}

}  // namespace
}  // namespace trezik
