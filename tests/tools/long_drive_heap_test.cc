// Regression: the emulation recorded every ReplyMessage and grew by 24 bytes
// a tick. A long drive through the host stand-in and the plug-in must keep
// the heap flat.
#include <gtest/gtest.h>
#include <malloc.h>

#include <filesystem>
#include <optional>

#include "core/convert.h"
#include "drive_test_support.h"
#include "platform/emulation.h"
#include "plugin/pwextension.h"
#include "state/form1.h"
#include "host/host.h"

namespace trezik::drive {
namespace {

TEST(LongDrive, ThousandsOfTicksLeaveTheHeapWhereItWas) {
  testing::ScratchFolder scratch;
  std::filesystem::create_directories(scratch.Path("plugin"));
  scratch.Write("pw.ini", "isunits=True\r\n");
  EmulatedPlatform platform;
  ScopedPlatform use(platform);
  platform.set_module_folder(scratch.Path("plugin"));
  trezik::host::Host host(platform, ToWindowsFolder(scratch.Path()));
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
  // 0.0001 degree north a second, 11 m: some 220 km; the jump back every 500
  // seconds is past the bound and not counted.
  EXPECT_GT(TextToDouble(plugin->ReturnLabel("tripmeter", ""), '.'), 50.0);
  plugin.reset();
  Form1::Unload();
}

}  // namespace
}  // namespace trezik::drive
