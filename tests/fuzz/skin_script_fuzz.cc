// The simulator's skin script parser on any text. A ScriptError is a
// refused script; anything else thrown is a crash.
//
// Properties of a parsed script: steps run in order (before, start, the
// timed steps by rising second, end); every step has something to do; a
// "state" step is the one step of "before" and carries two numbers; a
// fill-up clears the keypad first and ends with trezik_ok; every step names
// a line of the text. The steps' own sources, one a line, parse again to
// the same steps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "oracles.h"
#include "tools/simulator/skin_script.h"

namespace trezik::fuzz {
namespace {

using drive::Script;
using drive::ScriptStep;

double Rank(int second) {
  if (second == ScriptStep::kBefore) return -2;
  if (second == ScriptStep::kStart) return -1;
  if (second == ScriptStep::kEnd) return 1e18;
  Expect(second >= 0, "a step at second " + std::to_string(second));
  return second;
}

void CheckScript(const Script& script, const std::string& text) {
  const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const ScriptStep& step = script.steps[i];
    const std::string where = "the step " + Shown(step.source) + " of line " + std::to_string(step.line);
    Expect(i == 0 || Rank(script.steps[i - 1].second) <= Rank(step.second), where + " runs too early");
    Expect(!step.commands.empty(), where + " does nothing");
    Expect((step.second == ScriptStep::kBefore) == (step.kind == ScriptStep::Kind::kState),
           where + " is a state step at the wrong time, or a before step that is no state");
    Expect(step.kind != ScriptStep::Kind::kState || step.commands.size() == 2, where + " has no two meters");
    if (!step.fill_up_quantity.empty()) {
      Expect(step.commands.front() == "trezik_clr" && step.commands.back() == "trezik_ok",
             where + " does not clear the keypad and end with trezik_ok");
    }
    Expect(step.line >= 1 && step.line <= lines, where + " names no line of the script");
  }
}

void CheckSourcesParseAgain(const Script& script) {
  std::string sources;
  for (const ScriptStep& step : script.steps) sources += step.source + "\n";
  Script again;
  try {
    again = drive::ParseScript(sources, "again");
  } catch (const drive::ScriptError& error) {
    Broken(std::string("the steps' sources do not parse again: ") + error.what());
  }
  Expect(again.steps.size() == script.steps.size(), "the steps' sources parse to another number of steps");
  for (std::size_t i = 0; i < again.steps.size(); ++i) {
    const ScriptStep& a = script.steps[i];
    const ScriptStep& b = again.steps[i];
    Expect(a.second == b.second && a.kind == b.kind && a.commands == b.commands,
           "the step " + Shown(a.source) + " parses again to another step");
  }
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik;
  const std::string text(reinterpret_cast<const char*>(data), size);
  drive::Script script;
  try {
    script = drive::ParseScript(text, "fuzz.script");
  } catch (const drive::ScriptError&) {
    return 0;
  }
  fuzz::CheckScript(script, text);
  fuzz::CheckSourcesParseAgain(script);
  return 0;
}
