// The live view's lines: within the terminal's width, and what each width
// keeps.
#include "tools/simulator/display.h"

#include <gtest/gtest.h>

#include <sstream>

namespace trezik::drive {
namespace {

// Columns of a UTF-8 text: its bytes that start a character.
int Columns(const std::string& text) {
  int columns = 0;
  for (const unsigned char c : text) columns += (c & 0xC0) != 0x80;
  return columns;
}

TEST(LiveLines, FitTheWidthAndKeepWhatMattersMost) {
  LiveStatus status;
  status.clock = "08:05:28";
  status.speed = "101 Km/h";
  status.road = "Münchner Straße (B 2) Richtung Gewerbering\x1b[2J";
  status.labels.tripmeter = "24.03";
  status.labels.triptotal = "607.63";
  status.labels.workmeter = "12.22";
  status.labels.distunit = "Km";
  status.labels.workrec = "True";
  status.second = 1228;
  status.last_second = 1769;
  status.seconds_left = 3725.0;

  struct Case {
    int width;
    std::vector<const char*> shown, left_out;
  };
  const Case cases[] = {
      // The trip meter, the speed and the work flag; no total, work meter
      // figure or road; the shorter progress.
      {40, {"08:05:28", "101 Km/h", "trip 24.03 Km", "rec", "69%", "1:02:05 left", "[#"},
       {"total", "work", "Mü", "of"}},
      // Every meter with its unit, the road shortened.
      {80, {"08:05:28", "101 Km/h", "trip 24.03 Km", "total 607.63 Km", "work 12.22 Km rec", "Münch",
            "+20:28 of +29:29  1:02:05 left"}, {"Gewerbering"}},
      // All of it; a control character of the road never reaches the terminal.
      {120, {"101 Km/h", "work 12.22 Km rec  Münchner Straße (B 2) Richtung Gewerbering"}, {"\x1b"}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines = LiveLines(status, c.width);
    ASSERT_EQ(lines.size(), 2u);
    const std::string both = lines[0] + "\n" + lines[1];
    for (const std::string& line : lines) EXPECT_LE(Columns(line), c.width) << line;
    for (const char* part : c.shown) EXPECT_NE(both.find(part), std::string::npos) << c.width << ": " << part << "\n" << both;
    for (const char* part : c.left_out) EXPECT_EQ(both.find(part), std::string::npos) << c.width << ": " << part << "\n" << both;
  }
}

// The terminal goes from 80 to 40 columns: the block drawn at 80 has two
// lines of 79 and 77 columns (the road fills the first; a 40-column bar and
// "69%  +20:28 of +29:29  1:02:05 left"), which now wrap onto four rows; the
// redraw goes back up all four and erases below.
TEST(Display, RedrawGoesBackOverTheRowsAResizedTerminalWrapped) {
  EXPECT_EQ(BlockRows({79, 77}, 40), 4);
  EXPECT_EQ(BlockRows({79, 0}, 80), 2);
  EXPECT_EQ(BlockRows({80}, 40), 2);
  EXPECT_EQ(BlockRows({81}, 40), 3);

  std::ostringstream out;
  int columns = 80;
  Display display(out, true, 60, [&] { return columns; });
  display.OnStart(1769);
  Labels labels;
  labels.tripmeter = "24.03";
  labels.triptotal = "607.63";
  labels.workmeter = "12.22";
  labels.distunit = "Km";
  labels.speedunits = "Km/h";
  display.OnRoad(std::string(100, 'r'));
  display.OnTick({.second = 1228, .speed = 101.0}, [&] { return labels; });
  const std::size_t first = out.str().size();
  columns = 40;
  display.OnEvent({.second = 1229, .text = "logtrip"});
  EXPECT_EQ(out.str().substr(first, 7), "\033[4F\033[J") << out.str().substr(first);
}

}  // namespace
}  // namespace trezik::drive
