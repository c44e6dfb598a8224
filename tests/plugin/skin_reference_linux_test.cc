// docs/skin.md against the plug-in, so that the guide cannot drift: every
// label, indicator, command, keypad key, host message, reply name and error
// number it lists is one the plug-in answers as the guide says, and every
// name of the plug-in's vocabulary and every reply name is listed. Reads the guide and the sources
// from the source tree (this file's folder), so it runs natively only.
#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "hostlink/protocol.h"
#include "hostlink/reply_parser.h"
#include "contract/settings.h"
#include "contract/vocabulary.h"
#include "support/started_plugin.h"

namespace trezik {
namespace {

const std::filesystem::path kSourceRoot =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();

std::string Read(const char* relative) { return testing::ReadBytes(kSourceRoot / relative); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The lines under the heading "## title" or "### title", up to the next
// heading of either level.
std::vector<std::string> Section(const std::string& title) {
  std::vector<std::string> section;
  bool inside = false;
  for (const std::string& line : Lines(Read("docs/skin.md"))) {
    const bool heading = line.rfind("## ", 0) == 0 || line.rfind("### ", 0) == 0;
    if (heading) inside = line.substr(line.find(' ') + 1) == title;
    else if (inside) section.push_back(line);
  }
  EXPECT_FALSE(section.empty()) << "docs/skin.md has no section " << title;
  return section;
}

std::vector<std::string> CodeSpans(const std::string& text) {
  static const std::regex span("`([^`]+)`");
  std::vector<std::string> spans;
  for (std::sregex_iterator i(text.begin(), text.end(), span), end; i != end; ++i) {
    spans.push_back((*i)[1]);
  }
  return spans;
}

// The body rows of the section's tables, split into cells.
std::vector<std::vector<std::string>> TableRows(const std::string& title) {
  std::vector<std::vector<std::string>> rows;
  bool previous_was_row = false;
  for (const std::string& line : Section(title)) {
    const bool row = line.rfind('|', 0) == 0;
    // A table's first line is its header; the second is the rule of dashes.
    if (row && previous_was_row && line.rfind("|---", 0) != 0) {
      std::vector<std::string> cells;
      std::size_t start = 1;
      for (std::size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1) {
        cells.push_back(line.substr(start, bar - start));
      }
      rows.push_back(cells);
    }
    previous_was_row = row;
  }
  return rows;
}

// The first-column names of a section's tables.
std::set<std::string> TableNames(const std::string& title) {
  std::set<std::string> names;
  for (const auto& row : TableRows(title)) {
    for (const std::string& name : CodeSpans(row.at(0))) names.insert(name);
  }
  return names;
}

// The first code span of each item of a section's list.
std::set<std::string> ListItems(const std::string& title) {
  std::set<std::string> items;
  for (const std::string& line : Section(title)) {
    if (line.rfind("- `", 0) == 0) items.insert(CodeSpans(line).at(0));
  }
  return items;
}

// Group 1 of every match of the pattern in a source file.
std::set<std::string> Matches(const char* source, const char* pattern) {
  const std::string text = Read(source);
  const std::regex expression(pattern);
  std::set<std::string> found;
  for (std::sregex_iterator i(text.begin(), text.end(), expression), end; i != end; ++i) {
    found.insert((*i)[1]);
  }
  EXPECT_FALSE(found.empty()) << pattern << " in " << source;
  return found;
}

std::set<std::string> Union(std::set<std::string> a, const std::set<std::string>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

bool Includes(const std::set<std::string>& all, const std::set<std::string>& part) {
  return std::includes(all.begin(), all.end(), part.begin(), part.end());
}

class SkinReferenceTest : public testing::StartedPlugin {
 protected:
  // A started plug-in with a tank that has driven and has both keypad
  // entries begun, marked partial, so that every label has a text and every
  // key and command succeeds.
  void StartDriven(bool metric) {
    std::filesystem::remove(folder_ / "plugin" / "fuelcarry.ini");  // the marks of the start before
    Start('.', metric, SettingsWriter().Item(kTankKey, "50").text());
    form().distance = "50";
    form().trip_total = "100";
    platform_.AdvanceSeconds(3600);
    ASSERT_EQ(Command("trezik_1"), 2);
    ASSERT_EQ(Command("trezik_p1"), 2);
    ASSERT_EQ(Command(std::string(vocabulary::kPartialKey)), 2);
  }
};

TEST_F(SkinReferenceTest, EveryLabelAnswersAsListedInBothUnitSystems) {
  const auto rows = TableRows("Labels");
  for (const bool metric : {true, false}) {
    StartDriven(metric);
    for (const auto& row : rows) {
      const std::string name = CodeSpans(row.at(0)).at(0);
      const std::vector<std::string> literal = CodeSpans(row.at(metric ? 1 : 2));
      // A name the plug-in does not know gives the empty text.
      if (literal.empty()) {
        EXPECT_NE(Label(name), "") << name << (metric ? " metric" : " imperial");
      } else {
        EXPECT_EQ(Label(name), literal.at(0)) << name << (metric ? " metric" : " imperial");
      }
    }
  }
  std::set<std::string> known = {std::string(vocabulary::kWorkIndicator),
                                 std::string(vocabulary::kPartialIndicator),
                                 std::string(vocabulary::kMissedIndicator)};
  for (const vocabulary::LabelName& label : vocabulary::kLabels) known.emplace(label.name);
  EXPECT_TRUE(Includes(Union(TableNames("Labels"), TableNames("Indicators")), known))
      << "a label or indicator of contract/vocabulary.h is missing from docs/skin.md";
}

TEST_F(SkinReferenceTest, EveryIndicatorLightsWithWorkRecording) {
  Start();
  ASSERT_EQ(Command("logwork"), 2);
  ASSERT_EQ(Command(std::string(vocabulary::kPartialKey)), 2);
  ASSERT_EQ(Command(std::string(vocabulary::kMissedKey)), 2);
  for (const std::string& name : TableNames("Indicators")) {
    EXPECT_EQ(plugin().ReturnIndicator(name), "True") << name;
  }
}

TEST_F(SkinReferenceTest, EveryCommandAndKeyReturnsWhatIsListed) {
  for (const char* section : {"Commands", "Fuel keypad"}) {
    for (const auto& row : TableRows(section)) {
      for (const std::string& name : CodeSpans(row.at(0))) {
        StartDriven(true);
        EXPECT_EQ(Command(name), std::stoi(row.at(1))) << name;
      }
    }
  }
  std::set<std::string> commands;
  for (const vocabulary::CommandName& command : vocabulary::kCommands) commands.emplace(command.name);
  EXPECT_TRUE(Includes(TableNames("Commands"), commands))
      << "a command of contract/vocabulary.h is missing from docs/skin.md";
  std::set<std::string> keys;
  for (const std::string& name : vocabulary::AllCommands()) {
    if (!commands.count(name)) keys.insert(name);
  }
  EXPECT_TRUE(Includes(TableNames("Fuel keypad"), keys))
      << "a key of contract/vocabulary.h is missing from docs/skin.md";
}

TEST_F(SkinReferenceTest, MessagesToTheHostAreTheProtocolTexts) {
  const std::set<std::string> protocol = {kPathRequest, kFixRequest, kRoadRequest,
                                          kKeypadCloseCommand};
  EXPECT_EQ(ListItems("Messages to the host"), protocol);
}

TEST_F(SkinReferenceTest, EveryReplyNameChangesWhatTheHostTold) {
  std::set<std::string> names;
  for (const std::string& item : ListItems("Replies from the host")) {
    const std::string name = item.substr(0, item.find("||"));
    names.insert(name);
    Start();
    const auto told = [this] {
      const Form1& f = form();
      return std::vector<std::string>{f.pwpath, f.gpslat, f.gpslon, f.city, f.trip_total,
                                      f.Text(f.maxspeed)};
    };
    const auto before = told();
    // A value of its own: the meters a reply set before are saved and read back.
    ParseReply(name + "||" + std::to_string(40 + names.size()));
    EXPECT_NE(told(), before) << name;
  }
  std::set<std::string> known;
  for (std::string_view name : kReplyNames) known.emplace(name);
  EXPECT_TRUE(Includes(names, known)) << "a reply name of hostlink/protocol.h is missing from docs/skin.md";
}

TEST_F(SkinReferenceTest, ErrorNumbersAreThoseThePlugInRaises) {
  std::set<std::string> listed;
  for (const auto& row : TableRows("Errors of the plug-in")) {
    listed.insert(std::to_string(std::stoi(row.at(0))));
  }
  EXPECT_EQ(listed, Matches("com/com_errors.cc", R"(number = (\d+);)"));
}

}  // namespace
}  // namespace trezik
