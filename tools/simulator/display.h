// What the skin would show while the drive runs: on a terminal a live status
// block with a progress bar and the time left, redrawn in place; otherwise
// plain lines, one every few simulated minutes and one per script step.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

// "+mm:ss" (or "+h:mm:ss") for a drive second; "start" for -1.
std::string DriveClock(int second);

// One line of labels: "trip 4.21 Km  total 587.81 Km  ...".
std::string LabelLine(const Labels& labels);

class Display : public SimulationObserver {
 public:
  // live: redraw in place (a terminal); every_s: the simulated seconds
  // between plain lines.
  Display(std::ostream& out, bool live, int every_s);
  void OnStart(int last_second) override;
  void OnTick(const TickRecord& tick, const std::function<Labels()>& labels) override;
  void OnEvent(const Event& event) override;
  // Clears the live block.
  void Finish();

 private:
  void Draw(int second, const Labels& labels);
  void Clear();

  std::ostream& out_;
  bool live_;
  int every_s_;
  int last_second_ = 0;
  bool drawn_ = false;
  Labels latest_;
  int latest_second_ = -1;
  std::chrono::steady_clock::time_point start_, last_draw_;
};

}  // namespace trezik::drive
