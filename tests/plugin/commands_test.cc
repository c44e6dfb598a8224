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

TEST_F(CommandsTest, LogTextsKeepEveryRecordOneLine) {
  host_->answers["CUSTOMFDROAD"] = "customfdroad||The \"Old\" Road\r\nNorth";
  form().gpslat = "gpslat";
  ASSERT_EQ(Command("logtrip"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.log"),
            "\"2026-12-07\",\"08:00:00\",2.5,100.12,3.5,\"gpslat\",\"gpslon\","
            "\"The \"\"Old\"\" Road  North\"\r\n");
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
