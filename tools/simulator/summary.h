// The text printed at the end of a run and saved as summary.txt.
#pragma once

#include <string>
#include <vector>

#include "tools/simulator/accuracy.h"
#include "tools/tracks/drive.h"
#include "tools/simulator/simulation.h"

namespace trezik::drive {

struct SummaryInput {
  const Drive* drive = nullptr;
  const Script* script = nullptr;
  const Simulation* simulation = nullptr;
  const SimulationResult* result = nullptr;
  const Accuracy* accuracy = nullptr;
  std::vector<std::string> outputs;  // further files written (chart, scenario, summary)
  std::string settings;     // the "Settings" block (DescribeSettings); empty: no trezik.ini items
  std::string odometer;     // the "Odometer" block (DescribeOdometer); empty: not asked
  std::string report_page;  // the history report's page; empty: none written
  int width = 80;           // columns every line fits in (a terminal's, at most 80)
  bool details = false;     // add the developer's lines (--details)
  bool imperial = false;    // isunits=False
};

// The driver's headline first (within 80 columns whatever the width), the
// accuracy, the drive and what the skin showed; with `details` also the
// run's ticks and messages, the steps the 2-unit bound dropped and the
// formula's accuracy. Every line fits `width`: long ones are wrapped at
// blanks, and the labels table turns into one label a line when narrow.
std::string WriteSummary(const SummaryInput& input);

// The lines a log file holds; none when it does not exist.
std::vector<std::string> LogRecords(const std::string& path);

}  // namespace trezik::drive
