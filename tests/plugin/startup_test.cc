#include "plugin/startup.h"

#include <filesystem>

#include "plugin/pwextension.h"
#include "support/error_kind.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

using testing::FailureOf;
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
  // The meters driven since the last save were saved first, not read over.
  EXPECT_EQ(form.trip_total, "99");
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "99\r\n0\r\n");
  EXPECT_EQ(form.maxspeed, 0.0);
  EXPECT_EQ(form.startdate, 8 * 3600 + 60);
  // Replies still arrive, once.
  host.SendReply("gpslat||1.25");
  EXPECT_EQ(first.ReturnLabel("tripmeter", ""), second.ReturnLabel("tripmeter", ""));
  EXPECT_EQ(form.gpslat, "1.25");
}

// A second object reads the file again unless the meters changed since
// they were last read or saved: a hand edit made while the front end ran
// (the total set to the car's odometer) is kept, a drive is not lost.
TEST_F(StartUpTest, ASecondObjectTakesAHandEditUnlessTheMetersChangedSinceTheFile) {
  struct Case {
    const char* name;
    bool drive;             // the session moves the total to 99
    bool save_after_drive;  // and saves it
    const char* total;      // what the second object shows
    const char* file;       // and what the file then holds
  };
  const Case cases[] = {
      {"unchanged meters, file edited", false, false, "54321.7", "54321.7\r\n3\r\n"},
      {"driven since the file, file edited", true, false, "99", "99\r\n3\r\n"},
      {"driven, saved, then file edited", true, true, "54321.7", "54321.7\r\n3\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Form1::Unload();
    StartHost();
    WriteHostSettings("isunits=True\r\n");
    // Written by hand too, with LF line ends: not as the plug-in writes it.
    WritePluginFile("tripmeter.ini", "12.5\n3\n");
    PWExtension first;
    Form1& form = Form1::Get();
    if (c.drive) form.trip_total = "99";
    if (c.save_after_drive) form.UpdateINI();
    WritePluginFile("tripmeter.ini", "54321.7\r\n3\r\n");
    PWExtension second;
    EXPECT_EQ(form.trip_total, c.total);
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), c.file);
  }
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

TEST_F(StartUpTest, AFailedStartLeavesTheDriversFileAloneAndALaterStartLoadsIt) {
  WritePluginFile("tripmeter.ini", "583.6\r\n12\r\n");
  // No window titled "PathWarden" yet: the front end starts its plug-ins early.
  EXPECT_THROW(PWExtension plugin, Error);
  Form1::Get().trip_total = "3";  // moved meanwhile, from start values
  Form1::Unload();
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "583.6\r\n12\r\n");
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension plugin;
  EXPECT_EQ(plugin.ReturnLabel("triptotal", ""), "583.6");
}

// A state file held open by another program through every try at start-up
// is read again before each save, and the driver keeps both: the file's
// meters plus what this session counted, unless the session reset one.
TEST_F(StartUpTest, AFileLockedAtStartUpIsReadLaterAndAddsTheSessionsMeters) {
  struct Case {
    const char* command;
    const char* saved;  // file 100 and 10, the session 1.5 and 0.5
  };
  const Case cases[] = {{"updatetrip", "101.5\r\n10.5\r\n"},
                        {"resettotal", "0\r\n10.5\r\n"},
                        {"resetwork", "101.5\r\n0\r\n"}};
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  for (const Case& c : cases) {
    Form1::Unload();
    WritePluginFile("tripmeter.ini", "100\r\n10\r\n");
    bool locked = true;
    platform_.before_file_call = [&](const std::string& operation, const std::string& path) {
      if (locked && operation == "read" && path.find("tripmeter.ini") != std::string::npos) {
        throw Error(ErrorKind::kPermissionDenied, "injected: held by another program");
      }
    };
    PWExtension plugin;
    Form1& form = Form1::Get();
    EXPECT_EQ(form.trip_total, "0") << c.command;
    form.trip_total = "1.5";
    form.workmeter = "0.5";
    EXPECT_EQ(plugin.ProcessCommand(c.command), 2);
    // Still locked: an explicit save fails as for any file it cannot
    // write, and writes nothing over the driver's meters.
    EXPECT_EQ(FailureOf([&] { plugin.ProcessCommand("savetrip"); }), ErrorKind::kPermissionDenied)
        << c.command;
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "100\r\n10\r\n") << c.command;
    locked = false;
    EXPECT_EQ(plugin.ProcessCommand("savetrip"), 2);
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), c.saved) << c.command;
    platform_.before_file_call = nullptr;
  }
}

// On FAT and exFAT the rename that replaces the file is a removal and a
// rename: a power cut between them leaves only the complete new file.
TEST_F(StartUpTest, ACompleteNewFileFoundAloneIsTakenAsTheStateFile) {
  struct Case {
    const char* lone;
    const char* total;
    bool taken;
  };
  const Case cases[] = {{"583.6\r\n12\r\n", "583.6", true},
                        {"583.6\r\n", "0", false},
                        {"583.6\r\nabc\r\n", "0", false},
                        {"", "0", false}};
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  for (const Case& c : cases) {
    Form1::Unload();
    std::filesystem::remove(folder_ / "plugin" / "tripmeter.ini");
    WritePluginFile("tripmeter.ini.new", c.lone);
    PWExtension plugin;
    EXPECT_EQ(plugin.ReturnLabel("triptotal", ""), c.total) << c.lone;
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), c.taken ? c.lone : "0\r\n0\r\n") << c.lone;
    EXPECT_EQ(PluginFileExists("tripmeter.ini.new"), !c.taken) << c.lone;
    if (!c.taken) {
      EXPECT_EQ(ReadPluginFile("tripmeter.ini.new"), c.lone);
    }
  }
}

TEST_F(StartUpTest, StateFileContentThatIsNoTwoNumbersIsKeptAsABadCopy) {
  struct Case {
    std::string content;
    const char* total;  // as loaded
    bool bad_copy;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" "583.6\r\n12\r\n", "583.6", false},  // an editor's byte-order mark
      {"583.6\r\n12\r\n" + std::string(1 << 20, ' '), "583.6", false},  // the tail is not read
      {std::string("583.6\0\r\n12\r\n", 11), "0", true},
      {"1e309\r\n12\r\n", "0", true},
      {"583.6\r\n", "583.6", true},
  };
  for (const Case& c : cases) {
    StartHost();
    WriteHostSettings("isunits=True\r\n");
    WritePluginFile("tripmeter.ini", c.content);
    std::filesystem::remove(folder_ / "plugin" / "tripmeter.ini.bad");
    {
      PWExtension plugin;
      EXPECT_EQ(Form1::Get().trip_total, c.total) << c.content.substr(0, 20);
      Form1::Get().workmeter = "13";
    }
    Form1::Unload();
    EXPECT_EQ(PluginFileExists("tripmeter.ini.bad"), c.bad_copy) << c.content.substr(0, 20);
    if (c.bad_copy) {
      EXPECT_EQ(ReadPluginFile("tripmeter.ini.bad"), c.content);
    }
    EXPECT_EQ(ReadPluginFile("tripmeter.ini"), std::string(c.total) + "\r\n13\r\n");
  }
}

TEST_F(StartUpTest, AReplyTotalThatIsNoNumberNeverReachesTheStateFile) {
  FakeHost& host = StartHost();
  WriteHostSettings("isunits=True\r\n");
  WritePluginFile("tripmeter.ini", "100\r\n7\r\n");
  PWExtension plugin;
  host.SendReply("tripmeter||100\r\n99999");
  host.SendReply("tripmeter||n/a");
  EXPECT_EQ(plugin.ProcessCommand("updateini"), 2);
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "100\r\n7\r\n");
  Form1::Unload();
  PWExtension again;
  EXPECT_EQ(Form1::Get().workmeter, "7");
}

TEST_F(StartUpTest, AutosaveWritesChangedMetersOnceTheIntervalHasPassed) {
  struct Case {
    const char* setting;
    int saves_after;  // seconds until the first save; 0: never
  };
  const Case cases[] = {{"autosave=10", 10}, {"autosave=3600", 0}, {"autosave=9", 0},
                        {"autosave=3601", 0}, {"autosave=10.5", 0}, {"autosave=ten", 0},
                        {"decimalplaces=2", 0}};
  for (const Case& c : cases) {
    FakeHost& host = StartHost();
    WriteHostSettings("isunits=True\r\n");
    WritePluginFile("trezik.ini", std::string(c.setting) + "\r\n");
    WritePluginFile("tripmeter.ini", "5\r\n0\r\n");
    PWExtension plugin;
    int first_save = 0;
    for (int second = 1; second <= 30 && first_save == 0; ++second) {
      host.SetFix(std::to_string(52.0 + second * 0.0001), "5.0", "40");
      Tick();
      if (ReadPluginFile("tripmeter.ini") != "5\r\n0\r\n") first_save = second;
    }
    EXPECT_EQ(first_save, c.saves_after) << c.setting;
    Form1::Unload();
  }
}

}  // namespace
}  // namespace trezik
