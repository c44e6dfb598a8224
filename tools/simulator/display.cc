#include "tools/simulator/display.h"

#include <cstdio>

namespace trezik::drive {

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

Display::Display(std::ostream& out, bool live, int every_s)
    : out_(out), live_(live), every_s_(every_s > 0 ? every_s : 60) {}

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
    latest_ = labels();
    latest_second_ = tick.second;
    Draw(tick.second, latest_);
    return;
  }
  if (tick.second % every_s_ == 0 || tick.second == last_second_) {
    latest_ = labels();
    latest_second_ = tick.second;
    out_ << DriveClock(tick.second) << "  " << LabelLine(latest_) << "\n";
  }
}

void Display::OnEvent(const Event& event) {
  if (live_) Clear();
  out_ << DriveClock(event.second) << "  > " << event.text << "\n";
  if (live_ && latest_second_ >= 0) Draw(latest_second_, latest_);
  out_.flush();
}

void Display::Draw(int second, const Labels& labels) {
  if (drawn_) out_ << "\033[2F";  // back to the start of the block
  const double done = last_second_ > 0 ? static_cast<double>(second) / last_second_ : 1.0;
  constexpr int kBar = 30;
  const int filled = static_cast<int>(done * kBar + 0.5);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double left = done > 0 ? elapsed / done * (1.0 - done) : 0.0;
  char status[160];
  std::snprintf(status, sizeof status, "[%s%s] %3.0f%%  %s of %s  %.1f s left", std::string(filled, '#').c_str(),
                std::string(kBar - filled, '.').c_str(), done * 100.0, DriveClock(second).c_str(),
                DriveClock(last_second_).c_str(), left);
  out_ << "\033[2K" << LabelLine(labels) << "\n\033[2K" << status << "\n";
  out_.flush();
  drawn_ = true;
}

void Display::Clear() {
  if (!drawn_) return;
  out_ << "\033[2F\033[J";
  drawn_ = false;
}

void Display::Finish() {
  if (live_) Clear();
  out_.flush();
}

}  // namespace trezik::drive
