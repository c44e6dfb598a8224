#include "plugin/startup.h"

#include "plugin/pwextension.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using testing::FakeHost;
using testing::PluginFixture;

class StartUpTest : public PluginFixture {};

TEST_F(StartUpTest, HostAnsweringDuringTheRequestGivesItsSettings) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension plugin;
  Form1& form = Form1::Get();
  EXPECT_EQ(form.pwpath, testing::PluginFolderText(folder_ / "host"));
  EXPECT_EQ(form.trezikdir, platform_.module_folder);
  EXPECT_TRUE(form.metric_units);
  EXPECT_EQ(form.multiplier, 1.0);
  EXPECT_EQ(form.dp, 2);
  EXPECT_TRUE(form.timer1_enabled());
  EXPECT_EQ(form.startdate, 8 * 3600);
  EXPECT_NE(form.PrevWndProc, 0);
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "0\r\n0\r\n");
  ASSERT_FALSE(host_->received.empty());
  EXPECT_EQ(host_->received[0].text, "REQUEST;trezik;PWPATH");
}

struct UnitsCase {
  const char* settings;
  bool metric;
};

TEST_F(StartUpTest, IsUnitsFollowsItsValueRule) {
  StartHost();
  const UnitsCase cases[] = {
      {"IsUnits=False\r\n", false},     {"isunits=0\r\n", false},
      {"isunits=-1\r\n", true},         {"isunits=TRUE\r\n", true},
      {"isunits=yes\r\n", false},       {"isunits\r\n", false},
      {"isunits =False\r\n", true},     {"other=1\r\nisunits=false=x\r\n", false},
      {"\r\nname=x,isunits=False\r\n", false}, {"\"isunits=False\"\r\n", false},
      {"", true},
  };
  for (const UnitsCase& c : cases) {
    WriteHostSettings(c.settings);
    PWExtension plugin;
    EXPECT_EQ(Form1::Get().metric_units, c.metric) << c.settings;
    EXPECT_EQ(Form1::Get().multiplier, c.metric ? 1.0 : 1.60934) << c.settings;
  }
}

TEST_F(StartUpTest, DecimalPlacesFollowsItsValueRule) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  struct Case {
    const char* settings;
    int dp;
  };
  for (const Case c : {Case{"decimalplaces=3\r\n", 3}, Case{"DecimalPlaces=0\r\n", 0},
                       Case{"decimalplaces=abc\r\n", 2}, Case{"decimalplaces=2.5\r\n", 2},
                       Case{"decimalplaces=3.5\r\n", 4}, Case{"decimalplaces=40000\r\n", 2},
                       Case{"decimalplaces\r\n", 2}, Case{"", 2}}) {
    WritePluginFile("trezik.ini", c.settings);
    PWExtension plugin;
    EXPECT_EQ(Form1::Get().dp, c.dp) << c.settings;
  }
}

TEST_F(StartUpTest, AMissingPluginSettingsFileIsSkippedEvenAfterAnEmptyHostFile) {
  StartHost();
  WriteHostSettings("");
  EXPECT_NO_THROW(PWExtension plugin);
  EXPECT_EQ(Form1::Get().dp, 2);
  EXPECT_TRUE(Form1::Get().metric_units);
}

TEST_F(StartUpTest, WithoutHostOrHostSettingsTheCreationFailsWithFileNotFound) {
  try {
    PWExtension plugin;
    FAIL() << "the creation succeeded";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kFileNotFound);
  }
  // What was done stays done: the state exists, hooked, with the timer off.
  Form1* form = Form1::Existing();
  ASSERT_NE(form, nullptr);
  EXPECT_NE(form->PrevWndProc, 0);
  EXPECT_FALSE(form->timer1_enabled());
  EXPECT_FALSE(PluginFileExists("tripmeter.ini"));
}

TEST_F(StartUpTest, AHostGivingAWrongFolderFailsTheCreation) {
  FakeHost& host = StartHost();
  host.answers["PWPATH"] = "pwpath||" + testing::PluginFolderText(folder_ / "nowhere");
  try {
    PWExtension plugin;
    FAIL() << "the creation succeeded";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kFileNotFound);
  }
}

TEST_F(StartUpTest, MetersAreLoadedFromTheStateFile) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  WritePluginFile("tripmeter.ini", "12.5\r\n3\r\n");
  PWExtension plugin;
  EXPECT_EQ(Form1::Get().trip_total, "12.5");
  EXPECT_EQ(Form1::Get().workmeter, "3");
  EXPECT_EQ(plugin.ReturnLabel("triptotal", ""), "12.5");
}

TEST_F(StartUpTest, AShortStateFileLoadsTheTotalOnly) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  WritePluginFile("tripmeter.ini", "12.5\r\n");
  EXPECT_NO_THROW(PWExtension plugin);
  EXPECT_EQ(Form1::Get().trip_total, "12.5");
  EXPECT_EQ(Form1::Get().workmeter, "0");
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "12.5\r\n");
}

TEST_F(StartUpTest, ADecimalCommaUserSeesTheLoadedMeterWithComma) {
  Form1::Unload();
  platform_.decimal_mark = ',';
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  WritePluginFile("tripmeter.ini", "12.5\r\n3\r\n");
  PWExtension plugin;
  EXPECT_EQ(Form1::Get().trip_total, "12,5");
}

TEST_F(StartUpTest, ASecondObjectRestartsOnTheSharedStateWithoutHookingTwice) {
  FakeHost& host = StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension first;
  Form1& form = Form1::Get();
  const std::intptr_t saved = form.PrevWndProc;
  form.distance = "7";
  form.trip_total = "99";
  form.maxspeed = 80;
  platform_.AdvanceSeconds(60);
  WritePluginFile("tripmeter.ini", "12.5\r\n3\r\n");
  PWExtension second;
  EXPECT_EQ(&Form1::Get(), &form);
  EXPECT_EQ(form.PrevWndProc, saved);
  EXPECT_EQ(form.distance, "7");
  EXPECT_EQ(form.trip_total, "12.5");
  EXPECT_EQ(form.maxspeed, 0.0);
  EXPECT_EQ(form.startdate, 8 * 3600 + 60);
  // Replies still arrive, once.
  host.SendReply("gpslat||1.25");
  EXPECT_EQ(first.ReturnLabel("tripmeter", ""), second.ReturnLabel("tripmeter", ""));
  EXPECT_EQ(form.gpslat, "1.25");
}

TEST_F(StartUpTest, EndOfSessionAndTeardownSaveTheMeters) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension plugin;
  Form1::Get().trip_total = "31.5";
  platform_.SendMessage(Form1::Get().hwnd(), kWmEndSession, 1, 0);
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "31.5\r\n0\r\n");
  Form1::Get().trip_total = "42.25";
  Form1::Get().workmeter = "1.5";
  Form1::Unload();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "42.25\r\n1.5\r\n");
}

}  // namespace
}  // namespace trezik
