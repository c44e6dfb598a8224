// The plug-in's hidden window (state/form1.cc) is the one the host answers:
// the host finds it by the id the plug-in's requests carry (host/host.cc,
// hostlink/protocol.h), and its reply to the start-up's request arrives.
// Runs on the emulation and, cross-built, on the real user32.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/names.h"
#include "host/requests.h"
#include "plugin/pwextension.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

class WindowTitleTest : public testing::PluginFixture {};

TEST_F(WindowTitleTest, TheHostFindsThePluginsWindowByTheIdOfItsRequests) {
  testing::FakeHost& host = StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension plugin;
  const Form1* form = Form1::Existing();
  ASSERT_NE(form, nullptr);
  ASSERT_NE(form->hwnd(), WindowHandle{0});

  // The ids the start-up's requests named.
  std::vector<std::string> ids;
  for (const host::ReceivedMessage& message : host.received) {
    host::ForEachRequest(message.text, [&](const host::Request& request) { ids.emplace_back(request.plugin_id); });
  }
  ASSERT_FALSE(ids.empty()) << "the start-up sent no request";
  for (const std::string& id : ids) {
    EXPECT_EQ(id, "trezik");
    EXPECT_EQ(platform_.FindWindowByTitle(id), form->hwnd()) << "no window of the plug-in is titled " << id;
  }
  EXPECT_EQ(platform_.FindWindowByTitle(kPluginId), form->hwnd());
  // The host's answer to "PWPATH", sent to the window it found, arrived.
  EXPECT_EQ(form->pwpath, testing::PluginFolderText(folder_ / "host"));
}

}  // namespace
}  // namespace trezik
