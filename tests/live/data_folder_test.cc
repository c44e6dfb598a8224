// Whether the plug-in autosaves by the data folder's trezik.ini; when it
// does not, trezik-live has it save every 30 s (see live_loop.h).
#include "tools/live/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "tools/common/atomic_file.h"
#include "tools/live/live_command_line.h"

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

// What is not a regular file is named at once, never waited for: a FIFO
// as the token file or a credential, a link loop as the optional
// places.csv (passed over), a link as pw.ini.
TEST(DataFolder, FilesThatAreNoRegularFilesAreNamedAtOnce) {
  const std::string folder = tools::MakeTemporaryFolder("trezik-data-folder-");
  ASSERT_EQ(::mkfifo((folder + "/token").c_str(), 0600), 0);
  EXPECT_THROW(ReadTokenFile(folder + "/token"), std::runtime_error);
  ASSERT_EQ(::symlink("places.csv", (folder + "/places.csv").c_str()), 0);
  {
    const DataFolder prepared = PrepareDataFolder(folder, false);
    EXPECT_FALSE(prepared.has_places);
    EXPECT_NE(prepared.places_refused.find("places.csv: it is a symbolic link"), std::string::npos)
        << prepared.places_refused;
  }
  ASSERT_EQ(::rename((folder + "/pw.ini").c_str(), (folder + "/pw.real").c_str()), 0);
  ASSERT_EQ(::symlink("pw.real", (folder + "/pw.ini").c_str()), 0);
  try {
    PrepareDataFolder(folder + "/", false);
    ADD_FAILURE() << "a link as pw.ini was read";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("pw.ini: it is a symbolic link"), std::string::npos) << error.what();
  }
  std::filesystem::remove_all(folder);
}

// The folder's lock holds when its lock file is deleted, and tells
// another program from another trezik-live.
TEST(DataFolder, TheFolderStaysLockedWithoutItsLockFile) {
  const std::string folder = tools::MakeTemporaryFolder("trezik-data-folder-");
  {
    const FolderLock first(folder);
    std::filesystem::remove(folder + "/" + kLockFileName);
    // flock(2) locks belong to the open file: a second open, as a second
    // process makes it, conflicts with the first.
    try {
      const FolderLock second(folder);
      ADD_FAILURE() << "locked twice";
    } catch (const FolderInUse& error) {
      EXPECT_EQ(error.pid, ::getpid());
      const std::string program = ProgramName(::getpid());
      EXPECT_NE(std::string(error.what()).find("locked by another program, " + program), std::string::npos)
          << error.what();
    }
  }
  EXPECT_NO_THROW(FolderLock again(folder));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace trezik::live
