// Whether the plug-in autosaves by the data folder's trezik.ini; when it
// does not, trezik-live has it save every 30 s (see live_loop.h).
#include "tools/live/data_folder.h"

#include <gtest/gtest.h>

namespace trezik::live {
namespace {

TEST(DataFolder, ThePluginAutosavesWithAValidAutosaveItemAsItReadsIt) {
  struct Case {
    const char* ini;
    bool autosaves;
  } cases[] = {
      // The plug-in's own rules (contract/settings) decide.
      {"decimalplaces=3\r\nminspeed=3\r\nAUTOSAVE=30", true},
      {"autosave=9", false},                    // below 10 s: off
      {"autosave=30\r\nautosave=x\r\n", false}, // the last item counts
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(PluginAutosaves(c.ini), c.autosaves) << c.ini;
}

}  // namespace
}  // namespace trezik::live
