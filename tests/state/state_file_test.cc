#include "state/state_file.h"

#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using testing::PluginFixture;

class StateFileTest : public PluginFixture {
 protected:
  Form1& Loaded() {
    Form1& form = Form1::Get();
    form.trezikdir = platform_.module_folder;
    LoadTripState(form);
    return form;
  }
};

TEST_F(StateFileTest, AMissingFileIsCreatedHoldingZeros) {
  Form1& form = Loaded();
  EXPECT_EQ(form.trip_total, "0");
  EXPECT_EQ(form.workmeter, "0");
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "0\r\n0\r\n");
}

struct ReadCase {
  const char* content;
  const char* trip_total;
  const char* workmeter;
};

TEST_F(StateFileTest, ValuesAreReadByTheReadingRule) {
  const ReadCase cases[] = {
      {"12.5\r\n3\r\n", "12.5", "3"},
      {"0012.50\r\n0\r\n", "12.5", "0"},
      {"1,5\r\n", "1", "5"},
      {"abc\r\n7\r\n", "0", "7"},
      {"\r\n\r\n", "0", "0"},
      {"12.5\n3", "12.5", "3"},
      {"12.5\r\n", "12.5", "previous"},  // short: the second meter keeps its text
      {"", "previous", "previous"},       // empty: both keep theirs
  };
  for (const ReadCase& c : cases) {
    WritePluginFile("tripmeter.ini", c.content);
    Form1& form = Form1::Get();
    form.trip_total = "previous";
    form.workmeter = "previous";
    form.trezikdir = platform_.module_folder;
    LoadTripState(form);
    EXPECT_EQ(form.trip_total, c.trip_total) << c.content;
    EXPECT_EQ(form.workmeter, c.workmeter) << c.content;
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), c.content) << "the reader changed the file";
  }
}

TEST_F(StateFileTest, WritingGivesBackWhatWasRead) {
  WritePluginFile("tripmeter.ini", "12.5\r\n3\r\n");
  Form1& form = Loaded();
  form.UpdateINI();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "12.5\r\n3\r\n");
}

TEST_F(StateFileTest, TextsThatAreNoNumbersAreWrittenUnchangedAndReadBackAsZero) {
  Form1& form = Loaded();
  form.trip_total = "from the host";
  form.UpdateINI();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "from the host\r\n0\r\n");
  LoadTripState(form);
  EXPECT_EQ(form.trip_total, "0");
}

// A total the host sent as "1,234.5" was saved with its comma and read back
// as two items: total 1, work meter 234.5. A leading quote swallowed the
// work meter's line.
TEST_F(StateFileTest, ATotalWithACommaOrQuoteDoesNotShiftTheWorkMeter) {
  for (const char* total : {"1,234.5", "\"Ring Road", "x\"y,z"}) {
    Form1& form = Loaded();
    form.trip_total = total;
    form.workmeter = "7";
    form.UpdateINI();
    form.workmeter = "previous";
    LoadTripState(form);
    EXPECT_EQ(form.trip_total, "0") << total;
    EXPECT_EQ(form.workmeter, "7") << total;
  }
}

TEST_F(StateFileTest, DecimalCommaMetersRoundTripAsOneValue) {
  Form1::Unload();
  platform_.decimal_mark = ',';
  Form1& form = Loaded();
  form.trip_total = "1234,5678";
  form.workmeter = "12,5";
  form.UpdateINI();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "1234.5678\r\n12.5\r\n");
  form.trip_total = "x";
  form.workmeter = "y";
  LoadTripState(form);
  EXPECT_EQ(form.trip_total, "1234,5678");
  EXPECT_EQ(form.workmeter, "12,5");
}

struct WriteFault {
  const char* operation;
  ErrorKind kind;
};

TEST_F(StateFileTest, AFailedWriteLeavesTheOldFileIntactAndReachesTheCaller) {
  WritePluginFile("tripmeter.ini", "12.5\r\n3\r\n");
  Form1& form = Loaded();
  form.trip_total = "99";
  for (const WriteFault fault : {WriteFault{"write", ErrorKind::kDiskFull},
                                 WriteFault{"rename", ErrorKind::kPermissionDenied}}) {
    platform_.before_file_call = [&](const std::string& operation, const std::string& path) {
      if (operation == fault.operation) throw Error(fault.kind, "injected fault on " + path);
    };
    try {
      form.UpdateINI();
      ADD_FAILURE() << "no error from " << fault.operation;
    } catch (const Error& error) {
      EXPECT_EQ(error.kind(), fault.kind);
    }
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "12.5\r\n3\r\n") << fault.operation;
    EXPECT_FALSE(PluginFileExists("tripmeter.ini.new")) << fault.operation;
  }
  platform_.before_file_call = nullptr;
  form.UpdateINI();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "99\r\n3\r\n");
}

TEST_F(StateFileTest, AMissingFolderFailsTheWrite) {
  Form1& form = Form1::Get();
  form.trezikdir = platform_.module_folder + "missing\\";
  try {
    form.UpdateINI();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kPathNotFound);
  }
}

TEST_F(StateFileTest, AnUnreadableFileEndsTheReadingQuietly) {
  platform_.before_file_call = [](const std::string& operation, const std::string&) {
    if (operation == "read") throw Error(ErrorKind::kPermissionDenied, "injected");
  };
  Form1& form = Form1::Get();
  form.trip_total = "5";
  form.trezikdir = platform_.module_folder;
  EXPECT_NO_THROW(LoadTripState(form));
  EXPECT_EQ(form.trip_total, "5");
  EXPECT_FALSE(PluginFileExists("tripmeter.ini"));
}

}  // namespace
}  // namespace trezik
