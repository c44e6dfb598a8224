// What the skin would show while the drive runs: on a terminal a live block
// of two lines redrawn in place, within the terminal's width; otherwise plain
// lines, one every few simulated minutes and one per script step.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

// How HoursMinutesSeconds writes a span under an hour.
enum class UnderAnHour { kMinutes, kTwoDigitMinutes, kWithHours };

// A span of whole seconds as h:mm:ss, "1:02:05"; under an hour as
// `under_an_hour` says: "5:03", "05:03" or "0:05:03".
std::string HoursMinutesSeconds(int seconds, UnderAnHour under_an_hour = UnderAnHour::kMinutes);

// "+mm:ss" (or "+h:mm:ss") for a drive second; "start" for -1.
std::string DriveClock(int second);

// One line of labels: "trip 4.21 Km  total 587.81 Km  ...".
std::string LabelLine(const Labels& labels);

// What the live block shows at one moment.
struct LiveStatus {
  std::string clock;  // the local time of day of the drive, "08:05:28"
  std::string speed;  // as the host reported it, "63 Km/h"
  std::string road;   // the place name the host reports
  Labels labels;      // the meters and their unit
  int second = 0, last_second = 0;
  std::optional<double> seconds_left;  // wall-clock seconds the run still needs, once known
};

// The live block: the clock, the speed, the trip meter, the total, the work
// meter and the road; then a progress bar with the drive time and the time
// left. Each line is at most `width` columns (a UTF-8 character counts as
// one); as the width shrinks the road is shortened and then left out, then
// the units but the last, the work meter's figure (its "rec" flag stays),
// the total and the clock: the trip meter and the speed stay, down to 40
// columns.
std::vector<std::string> LiveLines(const LiveStatus& status, int width);

// The width of the terminal on `fd` in columns (TIOCGWINSZ), else $COLUMNS,
// else 80.
int TerminalColumns(int fd);

// The rows of a terminal `columns` wide that lines of these widths fill once
// the terminal has wrapped them.
int BlockRows(const std::vector<int>& line_columns, int columns);

class Display : public SimulationObserver {
 public:
  // live: redraw in place (a terminal), within `columns()` columns (80 when
  // not given), asked before every redraw so that a resized terminal is
  // followed; every_s: the simulated seconds between plain lines.
  Display(std::ostream& out, bool live, int every_s, std::function<int()> columns = nullptr);
  void OnSetUp(const Simulation& simulation, const std::string& pwpath) override;
  void OnRoad(const std::string& road) override;
  void OnStart(int last_second) override;
  void OnTick(const TickRecord& tick, const std::function<Labels()>& labels) override;
  void OnEvent(const Event& event) override;
  // Clears the live block.
  void Finish();

 private:
  void Draw();
  // Erases the block drawn last, on a terminal now `columns` wide.
  void Clear(int columns);

  std::ostream& out_;
  bool live_;
  int every_s_;
  std::function<int()> columns_;
  double local_start_ = 0.0;  // the drive's first fix in local time, seconds since 1970
  std::string road_;
  int last_second_ = 0;
  std::vector<int> drawn_columns_;  // the columns of each line of the block on screen
  LiveStatus latest_;
  bool have_latest_ = false;
  std::chrono::steady_clock::time_point start_, last_draw_;
};

}  // namespace trezik::drive
