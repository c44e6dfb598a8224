// The emulation's own behaviour: its clock, timers and message pump.
#include "platform/emulation.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/error.h"

namespace trezik {
namespace {

struct Tick {
  WindowHandle window;
  std::uintptr_t id;
  LocalTime at;
};

EmulatedPlatform* running = nullptr;
std::vector<Tick> ticks;

std::intptr_t TREZIK_CALLBACK Ticker(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wparam, std::intptr_t) {
  if (message == kWmTimer) ticks.push_back({window, wparam, running->Now()});
  return 0;
}

class EmulationTest : public ::testing::Test {
 protected:
  EmulationTest() {
    running = &platform_;
    ticks.clear();
  }
  EmulatedPlatform platform_;
};

TEST_F(EmulationTest, ClockRunsAcrossMidnightAndTheYear) {
  platform_.SetLocalTime(2026, 12, 31, 86399.5);
  platform_.PumpMessagesFor(1000);
  const LocalTime now = platform_.Now();
  EXPECT_EQ(now.year, 2027);
  EXPECT_EQ(now.month, 1);
  EXPECT_EQ(now.day, 1);
  EXPECT_DOUBLE_EQ(now.seconds_since_midnight, 0.5);
}

TEST_F(EmulationTest, TimersTickAtTheirDueTimesAcrossMidnight) {
  platform_.SetLocalTime(2026, 12, 7, 86398.0);
  const WindowHandle window = platform_.CreateHiddenWindow("ticker", &Ticker);
  ASSERT_TRUE(platform_.SetTimer(window, 1, 1000));
  platform_.PumpMessagesFor(3500);
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_DOUBLE_EQ(ticks[0].at.seconds_since_midnight, 86399.0);
  EXPECT_DOUBLE_EQ(ticks[1].at.seconds_since_midnight, 0.0);
  EXPECT_EQ(ticks[1].at.day, 8);
  EXPECT_DOUBLE_EQ(ticks[2].at.seconds_since_midnight, 1.0);
  EXPECT_DOUBLE_EQ(platform_.Now().seconds_since_midnight, 1.5);
  platform_.PumpMessagesFor(500);
  EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(EmulationTest, KilledTimersAndDestroyedWindowsTickNoMore) {
  const WindowHandle a = platform_.CreateHiddenWindow("a", &Ticker);
  const WindowHandle b = platform_.CreateHiddenWindow("b", &Ticker);
  platform_.SetTimer(a, 1, 1000);
  platform_.SetTimer(b, 7, 500);
  platform_.PumpMessagesFor(1000);
  EXPECT_EQ(ticks.size(), 3u);  // b at 500 and 1000, a at 1000
  platform_.KillTimer(b, 7);
  platform_.PumpMessagesFor(1000);
  EXPECT_EQ(ticks.size(), 4u);
  platform_.DestroyWindow(a);
  platform_.PumpMessagesFor(5000);
  EXPECT_EQ(ticks.size(), 4u);
  EXPECT_EQ(platform_.window_count(), 1u);
  EXPECT_FALSE(platform_.SetTimer(a, 1, 1000));
}

TEST_F(EmulationTest, TheNewestWindowOfATitleIsFound) {
  const WindowHandle older = platform_.CreateHiddenWindow("Host", &Ticker);
  const WindowHandle newer = platform_.CreateHiddenWindow("HOST", &Ticker);
  EXPECT_EQ(platform_.FindWindowByTitle("host"), newer);
  platform_.DestroyWindow(newer);
  EXPECT_EQ(platform_.FindWindowByTitle("host"), older);
}

TEST_F(EmulationTest, ReplyMessageIsRecorded) {
  EXPECT_FALSE(platform_.ReplyMessage(1));
  ASSERT_EQ(platform_.replies().size(), 1u);
  EXPECT_EQ(platform_.replies()[0], 1);
}

TEST(EmulationPathTest, PathsAreWrittenWithBackslashes) {
  EXPECT_EQ(ToWindowsFolder("/tmp/run/host"), "\\tmp\\run\\host\\");
  EXPECT_EQ(ToWindowsFolder("/tmp/run/host/"), "\\tmp\\run\\host\\");
  EXPECT_EQ(ToPosixPath("\\tmp\\run\\host\\pw.ini"), "/tmp/run/host/pw.ini");
  EmulatedPlatform platform;
  platform.set_module_folder("/opt/trezik");
  EXPECT_EQ(platform.ModuleFolder(), "\\opt\\trezik\\");
}

// A folder shared with other programs may hold a FIFO, a link or a folder
// where a file should be: none is opened for long or written through.
TEST(EmulationFileTest, OnlyRegularFilesAreReadAndANewFileIsMadeAfresh) {
  char folder_template[] = "/tmp/trezik-emulation-XXXXXX";
  const std::string folder = ::mkdtemp(folder_template);
  const std::string outside = folder + "/outside", fifo = folder + "/fifo", link = folder + "/link";
  EmulatedPlatform platform;
  platform.WriteNewFile(outside, "the user's own\r\n");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
  ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0700), 0);
  for (const std::string& path : {fifo, link, folder + "/sub"}) {
    SCOPED_TRACE(path);
    try {
      platform.ReadFile(path, 100);
      ADD_FAILURE() << "read";
    } catch (const Error& error) {
      EXPECT_EQ(error.kind(), ErrorKind::kFileIo);
    }
    EXPECT_FALSE(platform.FileSize(path));
    EXPECT_THROW(platform.AppendToFile(path, "x"), Error);
  }
  // A link or a FIFO in the way of a new file is replaced, not written
  // through; a folder fails the write.
  for (const std::string& path : {fifo, link}) {
    platform.WriteNewFile(path, "12.5\r\n3\r\n");
    EXPECT_EQ(platform.ReadFile(path, 100), "12.5\r\n3\r\n");
  }
  EXPECT_EQ(platform.ReadFile(outside, 100), "the user's own\r\n");
  EXPECT_THROW(platform.WriteNewFile(folder + "/sub", "x"), Error);
  for (const char* name : {"/outside", "/fifo", "/link"}) ::unlink((folder + name).c_str());
  ::rmdir((folder + "/sub").c_str());
  ::rmdir(folder.c_str());
}

}  // namespace
}  // namespace trezik
