#include "support/started_plugin.h"

namespace trezik {
namespace {

using testing::FailureOf;

class CommandsTest : public testing::StartedPlugin {
 protected:
  void SetUp() override {
    Start();
    form().distance = "2.5";
    form().trip_total = "100.125";
    form().workmeter = "3.5";
    form().maxspeed = 90;
    form().startdate = 100;
  }
};

TEST_F(CommandsTest, ResetsWriteOnlyTheirFields) {
  platform_.now.seconds_since_midnight = 3600.5;  // rounds to the even 3600
  EXPECT_EQ(Command("ResetTrip"), 2);
  EXPECT_EQ(form().distance, "0");
  EXPECT_EQ(form().startdate, 3600);
  EXPECT_EQ(form().maxspeed, 0.0);
  EXPECT_EQ(form().trip_total, "100.125");
  EXPECT_EQ(form().workmeter, "3.5");

  form().distance = "1";
  form().maxspeed = 5;
  platform_.now.seconds_since_midnight = 3601.5;  // rounds to the even 3602
  EXPECT_EQ(Command("RESETTOTAL"), 2);
  EXPECT_EQ(form().trip_total, "0");
  EXPECT_EQ(form().distance, "0");
  EXPECT_EQ(form().maxspeed, 0.0);
  EXPECT_EQ(form().startdate, 3602);
  EXPECT_EQ(form().workmeter, "3.5");

  EXPECT_EQ(Command("resetwork"), 2);
  EXPECT_EQ(form().workmeter, "0");
}

TEST_F(CommandsTest, TextsThatAreNoCommandChangeNothing) {
  for (const char* text : {"resettrip ", "", " logwork", "trezik_", "trezik_10", "trezik_pp",
                           "trezik_ok ", "exit"}) {
    EXPECT_EQ(Command(text), 0) << text;
  }
  EXPECT_EQ(form().distance, "2.5");
  EXPECT_FALSE(form().workbool);
  EXPECT_EQ(form().myosk, "");
}

TEST_F(CommandsTest, LogWorkToggles) {
  EXPECT_EQ(Command("logwork"), 2);
  EXPECT_TRUE(form().workbool);
  EXPECT_EQ(Command("LogWork"), 2);
  EXPECT_FALSE(form().workbool);
}

TEST_F(CommandsTest, UpdateTripRunsOneTick) {
  host_->SetFix("52.0", "5.0", "70");
  EXPECT_EQ(Command("updatetrip"), 2);
  EXPECT_EQ(form().gpslat, "52.0");
}

TEST_F(CommandsTest, UpdateIniAndSaveTripWriteTheSameFile) {
  EXPECT_EQ(Command("updateini"), 2);
  const std::string first = ReadPluginFile("tripmeter.ini");
  EXPECT_EQ(first, "100.125\r\n3.5\r\n");
  WritePluginFile("tripmeter.ini", "");
  EXPECT_EQ(Command("savetrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), first);
}

TEST_F(CommandsTest, LogTripAppendsOneRecordAskingTheRoadFirst) {
  form().gpslat = "52.5";
  form().gpslon = "13.25";
  platform_.now.seconds_since_midnight = 14 * 3600 + 3 * 60 + 25.75;
  EXPECT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"14:03:25\",2.5,100.12,3.5,\"52.5\",\"13.25\",\"Ring Road\"\r\n");
  form().dp = 0;
  form().distance = "3.5";
  host_->answers.erase("CUSTOMFDROAD");  // the host cannot answer: the road stays
  EXPECT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"14:03:25\",2.5,100.12,3.5,\"52.5\",\"13.25\",\"Ring Road\"\r\n"
            "\"2026-12-07\",\"14:03:25\",4,100,4,\"52.5\",\"13.25\",\"Ring Road\"\r\n");
}

TEST_F(CommandsTest, LogTextsKeepEveryRecordOneLineOfText) {
  host_->answers["CUSTOMFDROAD"] = "customfdroad||The \"Old\" Road\r\nNorth\x1b[2J\a";
  form().gpslat = std::string("51\0.5\x7f", 6);
  ASSERT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"08:00:00\",2.5,100.12,3.5,\"51 .5 \",\"gpslon\","
            "\"The \"\"Old\"\" Road  North [2J \"\r\n");
}

// A command that sets a saved meter anew saves it at once: a power cut or a
// crash of the front end before the next save must not bring the old value
// back. A save that fails leaves the command's result alone.
TEST_F(CommandsTest, CommandsThatResetASavedMeterSaveIt) {
  struct Case {
    std::vector<const char*> keys;
    std::int16_t result;
    const char* file;
  };
  const Case cases[] = {{{"resettotal"}, 2, "0\r\n3.5\r\n"},
                        {{"resetwork"}, 2, "100.125\r\n0\r\n"},
                        {{"trezik_4", "trezik_p2", "trezik_ok"}, 1, "0\r\n3.5\r\n"}};
  for (const bool save_fails : {true, false}) {
    for (const Case& c : cases) {
      form().trip_total = "100.125";
      form().workmeter = "3.5";
      ASSERT_EQ(Command("savetrip"), 2);
      platform_.before_file_call = [&](const std::string& operation, const std::string& path) {
        if (save_fails && path.find("tripmeter.ini") != std::string::npos && operation == "write") {
          throw Error(ErrorKind::kDiskFull, "injected");
        }
      };
      std::int16_t result = 0;
      for (const char* key : c.keys) result = Command(key);
      platform_.before_file_call = nullptr;
      EXPECT_EQ(result, c.result) << c.keys.back();
      EXPECT_EQ(ReadPluginFile("tripmeter.ini"), save_fails ? "100.125\r\n3.5\r\n" : c.file)
          << c.keys.back() << (save_fails ? " with a failing save" : "");
    }
  }
}

// The host may release the plug-in, and COM ask to unload it, inside its
// answer to a request: the state stays until the plug-in's call is over.
TEST_F(CommandsTest, NoUnloadWhileASendIsUnderWay) {
  std::vector<bool> unloads;
  platform_.after_send = [&](WindowHandle window, std::uint32_t message) {
    if (window == host_->window() && message == kWmCopyData) unloads.push_back(Form1::Unload());
  };
  Form1* before = &form();
  host_->SetFix("52.0", "5.0", "70");
  EXPECT_EQ(Command("updatetrip"), 2);
  EXPECT_EQ(Command("logtrip"), 2);
  platform_.after_send = nullptr;
  EXPECT_EQ(unloads, std::vector<bool>(2, false));
  ASSERT_EQ(Form1::Existing(), before);
  EXPECT_EQ(form().gpslat, "52.0");
  EXPECT_TRUE(Form1::Unload());
}

TEST_F(CommandsTest, LogTripNumbersUseAPointWhateverTheUsersMark) {
  Start(',');  // the restart saved and reloaded the meters
  EXPECT_EQ(form().trip_total, "100,125");
  form().distance = "2,25";
  ASSERT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"08:00:00\",2.25,100.12,3.5,\"gpslat\",\"gpslon\",\"Ring Road\"\r\n");
}

TEST_F(CommandsTest, LogTripFailuresWriteNothing) {
  form().workmeter = "abc";
  EXPECT_EQ(FailureOf([&] { Command("logtrip"); }), ErrorKind::kTypeMismatch);
  EXPECT_FALSE(PluginFileExists("tripmeter.log"));
  EXPECT_EQ(form().city, "Ring Road");  // the road was asked before the failure
  form().workmeter = "1";
  form().trezikdir += "missing\\";
  EXPECT_EQ(FailureOf([&] { Command("logtrip"); }), ErrorKind::kPathNotFound);
  platform_.before_file_call = [](const std::string& operation, const std::string&) {
    if (operation == "write") throw Error(ErrorKind::kDiskFull, "injected");
  };
  EXPECT_EQ(FailureOf([&] { Command("updateini"); }), ErrorKind::kDiskFull);
}

}  // namespace
}  // namespace trezik
