// The text printed at the end of a run and saved as summary.txt.
#pragma once

#include <string>
#include <vector>

#include "tools/simulator/accuracy.h"
#include "tools/simulator/drive.h"
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
};

std::string WriteSummary(const SummaryInput& input);

// The lines a log file holds; none when it does not exist.
std::vector<std::string> LogRecords(const std::string& path);

}  // namespace trezik::drive
