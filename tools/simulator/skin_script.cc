#include "tools/simulator/skin_script.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "core/convert.h"
#include "contract/vocabulary.h"

namespace trezik::drive {

namespace {

// A plain command of the plug-in, written in lower case as scripts write it.
bool IsPlainCommand(const std::string& action) {
  return std::any_of(std::begin(vocabulary::kCommands), std::end(vocabulary::kCommands),
                     [&](const vocabulary::CommandName& command) { return command.name == action; });
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "95", "12:30", "1:02:03"; -1 when the text is no time.
int ParseTime(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ':');) parts.push_back(part);
  if (parts.empty() || parts.size() > 3 || text.back() == ':') return -1;
  long total = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!AllDigits(parts[i]) || parts[i].size() > 6) return -1;
    const long value = std::stol(parts[i]);
    if (i > 0 && (parts[i].size() != 2 || value > 59)) return -1;
    total = total * 60 + value;
  }
  return total > 100000000 ? -1 : static_cast<int>(total);
}

void CheckKeypadNumber(const std::string& text, const char* what) {
  const bool ok = !text.empty() && std::count(text.begin(), text.end(), '.') <= 1 &&
                  std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; }) &&
                  text != ".";
  if (!ok) {
    throw std::invalid_argument(std::string(what) + " '" + text +
                                "' is not digits with at most one '.' as the keypad types them");
  }
}

}  // namespace

ScriptError::ScriptError(const std::string& path, int line, const std::string& what)
    : std::runtime_error(path + (line > 0 ? ":" + std::to_string(line) : "") + ": " + what), line_(line) {}

std::vector<std::string> FillUpKeys(const std::string& quantity, const std::string& price,
                                    vocabulary::FillUpMark mark) {
  CheckKeypadNumber(quantity, "quantity");
  CheckKeypadNumber(price, "price");
  return vocabulary::FillUpKeys(quantity, price, mark);
}

std::vector<const ScriptStep*> Script::DueAt(int second) const {
  std::vector<const ScriptStep*> due;
  for (const ScriptStep& step : steps) {
    if (step.second == second) due.push_back(&step);
  }
  return due;
}

int Script::LastTimedSecond() const {
  int last = -1;
  for (const ScriptStep& step : steps) last = std::max(last, step.second);
  return last;
}

Script ParseScript(const std::string& text, const std::string& path) {
  Script script;
  script.path = path;
  std::stringstream stream(text);
  int line_number = 0;
  for (std::string raw; std::getline(stream, raw);) {
    ++line_number;
    const auto hash = raw.find('#');
    const std::string line = Trim(hash == std::string::npos ? raw : raw.substr(0, hash));
    if (line.empty()) continue;
    auto fail = [&](const std::string& what) { return ScriptError(path, line_number, what); };

    const auto space = line.find_first_of(" \t");
    if (space == std::string::npos) throw fail("'" + line + "' has a time but no action");
    const std::string when = line.substr(0, space);
    const std::string rest = Trim(line.substr(space));
    ScriptStep step;
    step.line = line_number;
    step.source = line;
    if (when == "before") {
      step.second = ScriptStep::kBefore;
    } else if (when == "start") {
      step.second = ScriptStep::kStart;
    } else if (when == "end") {
      step.second = ScriptStep::kEnd;
    } else {
      step.second = ParseTime(when);
      if (step.second < 0) throw fail("'" + when + "' is not a time (seconds, m:ss, h:mm:ss, before, start or end)");
    }

    const auto action_end = rest.find_first_of(" \t");
    const std::string action = rest.substr(0, action_end);
    const std::string argument = action_end == std::string::npos ? "" : Trim(rest.substr(action_end));
    if ((step.second == ScriptStep::kBefore) != (action == "state")) {
      throw fail("'state' is the one action of 'before', and it goes nowhere else");
    }
    if (action == "state") {
      std::stringstream args(argument);
      std::string total, work, extra;
      args >> total >> work >> extra;
      if (work.empty() || !extra.empty() || !ParseFileNumber(total) || !ParseFileNumber(work)) {
        throw fail("'state' takes two numbers: the total and the work meter");
      }
      step.kind = ScriptStep::Kind::kState;
      step.commands = {total, work};
    } else if (IsPlainCommand(action)) {
      if (!argument.empty()) throw fail("'" + action + "' takes no argument");
      step.commands = {action};
    } else if (action == "fillup") {
      std::stringstream args(argument);
      std::string quantity, price, mark_word, extra;
      args >> quantity >> price >> mark_word >> extra;
      if (price.empty() || !extra.empty()) {
        throw fail("'fillup' takes a quantity and a price, and maybe \"partial\" or \"missed\"");
      }
      vocabulary::FillUpMark mark = vocabulary::FillUpMark::kNone;
      if (!mark_word.empty()) {
        const auto found = vocabulary::FindMarkWord(mark_word);
        if (!found) throw fail("'fillup' marks a fill-up \"partial\" or \"missed\", not \"" + mark_word + "\"");
        mark = *found;
      }
      try {
        step.commands = FillUpKeys(quantity, price, mark);
        step.fill_up_mark = mark;
        step.fill_up_quantity = quantity;
        step.fill_up_price = price;
      } catch (const std::invalid_argument& e) {
        throw fail(e.what());
      }
    } else if (action == "keys") {
      std::stringstream args(argument);
      for (std::string key; args >> key;) step.commands.push_back(key);
      if (step.commands.empty()) throw fail("'keys' needs at least one key");
    } else if (action == "command") {
      if (argument.empty()) throw fail("'command' needs a text");
      step.commands = {argument};
    } else if (action == "road") {
      if (argument.empty()) throw fail("'road' needs a place name");
      step.kind = ScriptStep::Kind::kRoad;
      step.commands = {argument};
    } else {
      throw fail("unknown action '" + action + "'");
    }
    script.steps.push_back(std::move(step));
  }
  auto rank = [](int second) {
    if (second == ScriptStep::kBefore) return -2.0;
    if (second == ScriptStep::kStart) return -1.0;
    if (second == ScriptStep::kEnd) return 1e18;
    return static_cast<double>(second);
  };
  std::stable_sort(script.steps.begin(), script.steps.end(),
                   [&](const ScriptStep& a, const ScriptStep& b) { return rank(a.second) < rank(b.second); });
  return script;
}

Script DefaultScript() { return ParseScript("end logtrip\n", "(default script)"); }

}  // namespace trezik::drive
