#include "tools/simulator/display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/tracks/civil_time.h"
#include "tools/simulator/text_width.h"

namespace trezik::drive {
namespace {

// A text from outside (a place name) with its control characters blanked,
// so that it cannot move the cursor.
std::string Printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return text;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string line;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    line += (line.empty() ? "" : "  ") + part;
  }
  return line;
}

std::string LeftText(std::optional<double> left) {
  if (!left) return "? s left";
  const double seconds = *left;
  char text[48];
  const long whole = std::lround(std::max(0.0, seconds));
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s left", std::max(0.0, seconds));
  } else if (whole < 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld left", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld left", whole / 3600, whole / 60 % 60, whole % 60);
  }
  return text;
}

// The first line: the parts by what goes first when the width runs out:
// the road (shortened first), the units after each meter but the last, the
// work meter's figure (its "rec" flag stays), the total, the clock. The
// trip meter, the speed and the work flag stay longest.
std::string StatusLine(const LiveStatus& s, int width) {
  const Labels& l = s.labels;
  bool clock = true, total = true, work = true, compact = false;
  const bool recording = l.workrec == "True";
  auto line = [&] {
    // The unit after each meter, or (compact) once after the last one shown.
    const std::string unit = " " + l.distunit;
    std::string trip_text = "trip " + l.tripmeter, total_text = total ? "total " + l.triptotal : "",
                work_text = work ? "work " + l.workmeter : "";
    for (std::string* meter : {&trip_text, &total_text, &work_text}) {
      if (!meter->empty() && !compact) *meter += unit;
    }
    if (compact) (work ? work_text : total ? total_text : trip_text) += unit;
    if (recording) work_text += work ? " rec" : "rec";
    return Join({clock ? s.clock : "", s.speed, trip_text, total_text, work_text});
  };
  const std::string road = Printable(s.road);

  // The road takes what is left, shortened down to 8 columns.
  const int room = width - Columns(line()) - 2;
  if (Columns(road) <= room) return Join({line(), road});
  if (room >= 8) return Join({line(), Cut(road, room - 3) + "..."});
  for (bool* narrower : {&compact, &work, &total, &clock}) {
    if (Columns(line()) <= width) break;
    *narrower = narrower == &compact;
  }
  return Cut(line(), width);
}

// The second line: a bar of 10 to 40 columns, then as much of the rest as fits.
std::string ProgressLine(const LiveStatus& s, int width) {
  const double done = s.last_second > 0 ? std::clamp(static_cast<double>(s.second) / s.last_second, 0.0, 1.0) : 1.0;
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3.0f%%", done * 100.0);
  const std::string left = LeftText(s.seconds_left);
  const std::string tails[] = {
      Join({percent, DriveClock(s.second) + " of " + DriveClock(s.last_second), left}),
      Join({percent, DriveClock(s.second), left}),
      Join({percent, left}),
  };
  for (const std::string& tail : tails) {
    const int bar = std::min(40, width - Columns(tail) - 3);
    if (bar < 10 && &tail != &tails[2]) continue;
    const int filled = static_cast<int>(done * std::max(bar, 0) + 0.5);
    const std::string line = "[" + std::string(filled, '#') + std::string(std::max(bar, 0) - filled, '.') + "] " + tail;
    return Cut(line, width);
  }
  return "";
}

}  // namespace

std::string DriveClock(int second) {
  if (second < 0) return "start";
  char text[32];
  if (second >= 3600) {
    std::snprintf(text, sizeof text, "+%d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
  } else {
    std::snprintf(text, sizeof text, "+%02d:%02d", second / 60, second % 60);
  }
  return text;
}

std::string LabelLine(const Labels& l) {
  return "trip " + l.tripmeter + " " + l.distunit + "  total " + l.triptotal + " " + l.distunit + "  work " +
         l.workmeter + " " + l.distunit + (l.workrec == "True" ? " (rec)" : "") + "  avg " + l.avspeed + " " +
         l.speedunits + "  max " + l.maxspeed + " " + l.speedunits + "  " + l.consumpunits + " " + l.mpg +
         "  cost/" + l.distunit + " " + l.costperdist;
}

std::vector<std::string> LiveLines(const LiveStatus& status, int width) {
  width = std::max(width, 1);
  return {StatusLine(status, width), ProgressLine(status, width)};
}

int TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    const int value = std::atoi(columns);
    if (value > 0) return value;
  }
  return 80;
}

Display::Display(std::ostream& out, bool live, int every_s, std::function<int()> columns)
    : out_(out), live_(live), every_s_(every_s > 0 ? every_s : 60), columns_(std::move(columns)) {}

void Display::OnSetUp(const Simulation& simulation, const std::string&) {
  local_start_ = simulation.drive().start_time() + simulation.options().utc_offset_hours * 3600.0;
}

void Display::OnRoad(const std::string& road) { road_ = road; }

void Display::OnStart(int last_second) {
  last_second_ = last_second;
  start_ = std::chrono::steady_clock::now();
  last_draw_ = start_ - std::chrono::seconds(1);
}

void Display::OnTick(const TickRecord& tick, const std::function<Labels()>& labels) {
  if (live_) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(80) && tick.second != last_second_) return;
    last_draw_ = now;
    LiveStatus& s = latest_;
    s.labels = labels();
    const int of_day = static_cast<int>(SplitEpochSeconds(local_start_ + tick.second).seconds_of_day);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", of_day / 3600, of_day / 60 % 60, of_day % 60);
    s.clock = clock;
    char speed[32];
    std::snprintf(speed, sizeof speed, "%.0f ", tick.speed);
    s.speed = speed + s.labels.speedunits;
    s.road = road_;
    s.second = tick.second;
    s.last_second = last_second_;
    const double done = last_second_ > 0 ? static_cast<double>(tick.second) / last_second_ : 1.0;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    s.seconds_left = done > 0 ? std::optional(elapsed / done * (1.0 - done)) : std::nullopt;
    have_latest_ = true;
    Draw();
    return;
  }
  if (tick.second % every_s_ == 0 || tick.second == last_second_) {
    out_ << FitWidth(DriveClock(tick.second) + "  " + LabelLine(labels()), columns_ ? columns_() : 80) << "\n";
  }
}

void Display::OnEvent(const Event& event) {
  if (live_) Clear(std::max(2, columns_ ? columns_() : 80));
  out_ << FitWidth(DriveClock(event.second) + "  > " + Printable(event.text), columns_ ? columns_() : 80) << "\n";
  if (live_ && have_latest_) Draw();
  out_.flush();
}

void Display::Draw() {
  // One column short of the width: a line that fills it would leave the
  // cursor waiting to wrap on some terminals.
  const int columns = std::max(2, columns_ ? columns_() : 80);
  Clear(columns);
  const std::vector<std::string> lines = LiveLines(latest_, columns - 1);
  drawn_columns_.clear();
  for (const std::string& line : lines) {
    out_ << line << "\n";
    drawn_columns_.push_back(Columns(line));
  }
  out_.flush();
}

int BlockRows(const std::vector<int>& line_columns, int columns) {
  int rows = 0;
  for (const int width : line_columns) rows += std::max(1, (width + columns - 1) / columns);
  return rows;
}

void Display::Clear(int columns) {
  if (drawn_columns_.empty()) return;
  // Back to the start of the block, and everything below it erased: a
  // terminal made narrower has wrapped the block's lines onto more rows.
  out_ << "\033[" << BlockRows(drawn_columns_, columns) << "F\033[J";
  drawn_columns_.clear();
}

void Display::Finish() {
  if (live_) Clear(std::max(2, columns_ ? columns_() : 80));
  out_.flush();
}

}  // namespace trezik::drive
