// HostedPlugin as the tools run it: its calls before the plug-in started and
// after a start-up that failed, and a write of fuelcarry.ini on a full disk,
// made good at the release.
#include <gtest/gtest.h>

#include <filesystem>

#include "contract/names.h"
#include "contract/vocabulary.h"
#include "host/hosted_plugin.h"
#include "platform/emulation.h"
#include "state/form1.h"
#include "support/plugin_fixture.h"
#include "support/scratch_folder.h"

namespace trezik {
namespace {

class HostedPluginTest : public ::testing::Test {
 protected:
  HostedPluginTest() : folder_(testing::MakeScratchFolder("trezik-hosted-")) {
    platform_.set_module_folder(folder_.string());
  }
  ~HostedPluginTest() override {
    hosted_.reset();
    std::filesystem::remove_all(folder_);
  }
  host::HostedPlugin& Hosted() {
    hosted_.emplace(platform_, ToWindowsFolder(folder_.string()), nullptr);
    return *hosted_;
  }

  std::filesystem::path folder_;
  EmulatedPlatform platform_;
  std::optional<host::HostedPlugin> hosted_;
};

TEST_F(HostedPluginTest, CallsBeforeAStartOrAfterAFailedOneAnswerThatItHasNotStarted) {
  for (const bool try_create : {false, true}) {
    host::HostedPlugin& hosted = Hosted();
    if (try_create) {
      EXPECT_THROW(hosted.Create(), Error);  // no pw.ini: the start-up fails
    }
    EXPECT_FALSE(hosted.created());
    EXPECT_EQ(hosted.Label("tripmeter"), "error: the plug-in has not started");
    EXPECT_EQ(hosted.Indicator("workrec"), "error: the plug-in has not started");
    const host::CommandResult result = hosted.Command("resettrip");
    EXPECT_FALSE(result.code);
    EXPECT_EQ(result.error_text, "the plug-in has not started");
    hosted_.reset();
  }
}

TEST_F(HostedPluginTest, AFuelCarryWriteOnAFullDiskIsWrittenAgainAtTheRelease) {
  testing::WriteBytes(folder_ / kHostSettingsFileName, "isunits=True\r\n");
  host::HostedPlugin& hosted = Hosted();
  hosted.Create();
  platform_.FailFileStep(EmulatedPlatform::FileStep::kWrite, 1, ErrorKind::kDiskFull);
  ASSERT_EQ(hosted.Command(std::string(vocabulary::kPartialKey)).code, 2);
  EXPECT_TRUE(Form1::Get().fuel_carry().unsaved);
  EXPECT_FALSE(std::filesystem::exists(folder_ / kFuelCarryFileName));
  hosted.Release();
  EXPECT_NE(testing::ReadBytes(folder_ / kFuelCarryFileName).find("partial_mark=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace trezik
