// A plug-in started against the stand-in host, for tests of its commands,
// keypad and labels.
#pragma once

#include <memory>

#include "plugin/pwextension.h"
#include "support/error_kind.h"
#include "support/plugin_fixture.h"

namespace trezik::testing {

class StartedPlugin : public PluginFixture {
 protected:
  // Starts with the given decimal mark and units; dp from "trezik.ini".
  void Start(char decimal_mark = '.', bool metric = true, const std::string& plugin_settings = "") {
    Form1::Unload();
    platform_.decimal_mark = decimal_mark;
    FakeHost& host = StartHost();
    host.answers["CUSTOMFDROAD"] = "customfdroad||Ring Road";
    WriteHostSettings(metric ? "isunits=True\r\n" : "isunits=False\r\n");
    if (!plugin_settings.empty()) WritePluginFile("trezik.ini", plugin_settings);
    plugin_ = std::make_unique<PWExtension>();
  }
  Form1& form() { return Form1::Get(); }
  PWExtension& plugin() { return *plugin_; }
  std::int16_t Command(const std::string& text) { return plugin_->ProcessCommand(text); }
  std::string Label(const std::string& name) { return plugin_->ReturnLabel(name, ""); }

  std::unique_ptr<PWExtension> plugin_;
};

}  // namespace trezik::testing
