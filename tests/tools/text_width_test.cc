// Text wrapped to a terminal's width: nothing wider, no word lost or split
// that fits a line.
#include "tools/simulator/text_width.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace trezik::drive {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

TEST(FitWidth, WrapsAtBlanksKeepsEveryWordAndSplitsOnlyWhatNoLineHolds) {
  const std::string text =
      "  counted while stopped (reported speed under 3 km/h): 19.08 Km in 3600 s, 100 % of the trip\n"
      "  the meter is off by -0.06 %, which is correct at 6.81 L/100KM, 0.13 per Km.\n"
      "\n"
      "Drive     /a/very/long/folder/name/that/no/narrow/terminal/holds/drive.nmea\n"
      "short line, Straße\n";
  for (const int width : {40, 57, 80}) {
    const std::string fitted = FitWidth(text, width);
    std::istringstream lines(fitted);
    std::string before;
    for (std::string line; std::getline(lines, line); before = line) {
      EXPECT_LE(Columns(line), width) << line;
      // A unit never starts a line when its figure ended the one before.
      const std::size_t start = line.find_first_not_of(' ');
      if (start == std::string::npos || before.empty() || !std::isdigit(static_cast<unsigned char>(before.back()))) {
        continue;
      }
      for (const char* unit : {"%", "Km", "km/h", "L/100KM"}) {
        EXPECT_NE(line.compare(start, std::string(unit).size(), unit), 0) << before << "|" << line;
      }
    }
    // Every character is there in order, and every word that fits a line
    // is whole; only the path, wider than 40 columns, may be split.
    auto bare = [](std::string t) {
      std::erase_if(t, [](char c) { return c == ' ' || c == '\n'; });
      return t;
    };
    EXPECT_EQ(bare(fitted), bare(text)) << fitted;
    const std::vector<std::string> words = Words(fitted);
    for (const char* figure : {"19.08", "3600", "(reported", "Straße"}) {
      EXPECT_NE(std::find(words.begin(), words.end(), figure), words.end()) << figure << "\n" << fitted;
    }
    EXPECT_NE(fitted.find("\n\n"), std::string::npos);
  }
  EXPECT_EQ(FitWidth("short line, Straße\n", 18), "short line, Straße\n");
}

}  // namespace
}  // namespace trezik::drive
