#include "tools/simulator/skin_script.h"

#include <gtest/gtest.h>

namespace trezik::drive {
namespace {

using Keys = std::vector<std::string>;

TEST(SkinScript, FillUpPressesClearDigitsPointPriceAndOk) {
  EXPECT_EQ(FillUpKeys("12.5", "1.2"),
            (Keys{"trezik_clr", "trezik_1", "trezik_2", "trezik_.", "trezik_5", "trezik_pclr", "trezik_p1",
                  "trezik_p.", "trezik_p2", "trezik_ok"}));
  EXPECT_EQ(FillUpKeys("40", ".9").size(), 7u);
}

TEST(SkinScript, AMarkedFillUpPressesItsMarkRightAfterTheClearKey) {
  const Script script = ParseScript("5 fillup 8 2 partial\n6 fillup 9 2 MISSED\n", "s.script");
  ASSERT_EQ(script.steps.size(), 2u);
  EXPECT_EQ(script.steps[0].commands,
            (Keys{"trezik_clr", "trezik_partial", "trezik_8", "trezik_pclr", "trezik_p2", "trezik_ok"}));
  EXPECT_EQ(script.steps[1].commands,
            (Keys{"trezik_clr", "trezik_missed", "trezik_9", "trezik_pclr", "trezik_p2", "trezik_ok"}));
}

TEST(SkinScript, FillUpRejectsWhatTheKeypadCannotType) {
  for (const char* bad : {"", ".", "1.2.3", "-4", "4,5", "1e3"}) {
    EXPECT_THROW(FillUpKeys(bad, "1"), std::invalid_argument) << bad;
    EXPECT_THROW(FillUpKeys("1", bad), std::invalid_argument) << bad;
  }
}

TEST(SkinScript, StepsRunInTimeOrderWithFileOrderWithinOneTime) {
  const Script script = ParseScript(
      "# a comment\n"
      "end     updateini\n"
      "1:00:05 logtrip   # hours\n"
      "start   road Ring Road 7\n"
      "90      logwork\n"
      "1:30    command ResetTrip\n"
      "before  state 12.5 3\n"
      "1:30    keys trezik_4 trezik_ok\n",
      "s.script");
  ASSERT_EQ(script.steps.size(), 7u);
  std::vector<int> seconds;
  for (const ScriptStep& step : script.steps) seconds.push_back(step.second);
  EXPECT_EQ(seconds, (std::vector<int>{ScriptStep::kBefore, ScriptStep::kStart, 90, 90, 90, 3605, ScriptStep::kEnd}));
  EXPECT_EQ(script.steps[1].kind, ScriptStep::Kind::kRoad);
  EXPECT_EQ(script.steps[1].commands, Keys{"Ring Road 7"});
  EXPECT_EQ(script.steps[0].kind, ScriptStep::Kind::kState);
  EXPECT_EQ(script.steps[0].commands, (Keys{"12.5", "3"}));
  EXPECT_EQ(script.steps[3].commands, Keys{"ResetTrip"});
  EXPECT_EQ(script.steps[4].commands, (Keys{"trezik_4", "trezik_ok"}));
  EXPECT_EQ(script.DueAt(90).size(), 3u);
  EXPECT_EQ(script.LastTimedSecond(), 3605);
}

struct BadLine {
  const char* text;
  const char* says;
};

class SkinScriptFault : public ::testing::TestWithParam<BadLine> {};

TEST_P(SkinScriptFault, NamesTheLine) {
  try {
    ParseScript("0 logtrip\n\n" + std::string(GetParam().text) + "\n", "drive.script");
    FAIL() << "no error";
  } catch (const ScriptError& error) {
    EXPECT_EQ(error.line(), 3);
    EXPECT_NE(std::string(error.what()).find("drive.script:3: "), std::string::npos);
    EXPECT_NE(std::string(error.what()).find(GetParam().says), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Table, SkinScriptFault,
                         ::testing::Values(BadLine{"5", "no action"}, BadLine{"5 fly", "unknown action 'fly'"},
                                           BadLine{"1:5 logtrip", "not a time"},
                                           BadLine{"1:60 logtrip", "not a time"},
                                           BadLine{"-3 logtrip", "not a time"},
                                           BadLine{"5 logtrip now", "takes no argument"},
                                           BadLine{"5 fillup 40", "a quantity and a price"},
                                           BadLine{"5 fillup 4,0 1.5", "keypad"}, BadLine{"5 keys", "at least one key"},
                                           BadLine{"5 fillup 40 1.5 half", "not \"half\""},
                                           BadLine{"5 fillup 40 1.5 partial now", "a quantity and a price"},
                                           BadLine{"5 road", "place name"},
                                           BadLine{"5 state 1 2", "'state' is the one action of 'before'"},
                                           BadLine{"before logtrip", "'state' is the one action of 'before'"},
                                           BadLine{"before state 1", "two numbers"},
                                           BadLine{"before state x 1", "two numbers"}));

}  // namespace
}  // namespace trezik::drive
