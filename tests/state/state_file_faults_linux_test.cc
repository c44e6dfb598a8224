// Faults injected into the emulation's file layer at every step of the save
// and of the start-up read: the driver's meters must survive each one.
#include "platform/emulation.h"
#include "plugin/pwextension.h"
#include "state/state_file.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using Step = EmulatedPlatform::FileStep;
using testing::PluginFixture;

constexpr char kDriversFile[] = "583.6\r\n12\r\n";

class StateFileFaultTest : public PluginFixture {
 protected:
  void StartPlugin() {
    StartHost();
    WriteHostSettings("isunits=True\r\n");
    plugin_ = std::make_unique<PWExtension>();
  }
  std::unique_ptr<PWExtension> plugin_;
};

TEST_F(StateFileFaultTest, EveryStepOfTheSaveCanFailWithoutHarm) {
  struct Case {
    Step step;
    int nth;
    bool delete_fails_too;  // the clean-up of the temporary file fails as well
  };
  const Case cases[] = {{Step::kOpen, 1, false},   {Step::kWrite, 1, false},
                        {Step::kFlush, 1, false},  {Step::kClose, 1, false},
                        {Step::kRename, 1, false}, {Step::kRename, 1, true},
                        {Step::kWrite, 1, true}};
  WritePluginFile("tripmeter.ini", kDriversFile);
  StartPlugin();
  Form1& form = Form1::Get();
  for (const Case& c : cases) {
    const std::string label = std::to_string(static_cast<int>(c.step)) +
                              (c.delete_fails_too ? " with failed clean-up" : "");
    form.trip_total = "700";
    emulation_.FailFileStep(c.step, c.nth, ErrorKind::kDiskFull);
    if (c.delete_fails_too) emulation_.FailFileStep(Step::kDelete, 1, ErrorKind::kPermissionDenied);
    EXPECT_THROW(form.UpdateINI(), Error) << label;
    emulation_.ClearFileFaults();
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), kDriversFile) << label;
    EXPECT_EQ(PluginFileExists("tripmeter.ini.new"), c.delete_fails_too) << label;
    // The automatic save swallows the same fault and leaves the file whole.
    emulation_.FailFileStep(c.step, c.nth, ErrorKind::kDiskFull);
    AutoSaveMeters(form);
    emulation_.ClearFileFaults();
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), kDriversFile) << label;
    // With the fault gone, even past a temporary file left behind, the next save works.
    form.UpdateINI();
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "700\r\n12\r\n") << label;
    EXPECT_FALSE(PluginFileExists("tripmeter.ini.new")) << label;
    WritePluginFile("tripmeter.ini", kDriversFile);
  }
}

TEST_F(StateFileFaultTest, AStartUpReadIsTriedAgainAndAFileItCannotReadIsNeverOverwritten) {
  struct Case {
    Step step;
    int failures;  // consecutive failing tries
    bool loads;
  };
  const Case cases[] = {{Step::kOpen, 1, true},  {Step::kRead, 1, true},  {Step::kOpen, 4, true},
                        {Step::kOpen, 5, false}, {Step::kRead, 5, false}};
  for (const Case& c : cases) {
    const std::string label = std::to_string(static_cast<int>(c.step)) + " x" +
                              std::to_string(c.failures);
    WritePluginFile("tripmeter.ini", "111.5\r\n22\r\n");
    // The first start-up read is the one of "trezik.ini" or "pw.ini": fail
    // only the reads of the state file, one try after another.
    int failures_left = c.failures;
    platform_.before_file_call = [&](const std::string& operation, const std::string& path) {
      if (operation == "read" && path.find("tripmeter.ini") != std::string::npos &&
          failures_left > 0) {
        --failures_left;
        emulation_.FailFileStep(c.step, 1, ErrorKind::kPermissionDenied);
      }
    };
    StartPlugin();
    platform_.before_file_call = nullptr;
    emulation_.ClearFileFaults();
    Form1& form = Form1::Get();
    EXPECT_EQ(form.trip_total, c.loads ? "111.5" : "0") << label;
    EXPECT_EQ(form.workmeter, c.loads ? "22" : "0") << label;
    form.trip_total = "1";
    Form1::Unload();
    // Unread at start-up, the file is read at teardown: its meters plus the
    // session's 1.
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), c.loads ? "1\r\n22\r\n" : "112.5\r\n22\r\n")
        << label;
  }
}

// A disk that fills up in the middle of a record: the log is cut back to its
// whole records, and the record written again later stands on its own line.
TEST_F(StateFileFaultTest, ALogRecordIsAppendedWholeOrNotAtAll) {
  StartPlugin();
  std::unique_ptr<PWExtension>& plugin = plugin_;
  ASSERT_EQ(plugin->ProcessCommand("logtrip"), 2);
  const std::string one = ReadPluginFile("tripmeter.log");
  for (const Step step : {Step::kWrite, Step::kClose}) {
    emulation_.FailFileStep(step, 1, ErrorKind::kDiskFull);
    EXPECT_THROW(plugin->ProcessCommand("logtrip"), Error);
    emulation_.ClearFileFaults();
    EXPECT_EQ(ReadPluginFile("tripmeter.log"), one) << static_cast<int>(step);
  }
  ASSERT_EQ(plugin->ProcessCommand("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"), one + one);
}

}  // namespace
}  // namespace trezik
