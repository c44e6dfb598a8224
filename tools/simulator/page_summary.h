// The run's own summary for the top of its report page: the same headline,
// verdict and notes the terminal summary prints.
#pragma once

#include "tools/report/run_summary.h"
#include "tools/simulator/summary.h"

namespace trezik::drive {

// The headline's lines, the accuracy verdict, and every assumption and
// skip: what the readers left out or assumed (an assumed date), the clock
// the times are given in, how the gaps were bridged and what was
// interpolated, what could not be counted.
report::RunSummary RunSummaryFor(const SummaryInput& input);

// The clock the run's local times are on: "UTC" or "UTC+2".
std::string ClockName(double utc_offset_hours);
// That clock with where its offset comes from: "UTC", "UTC+2 by
// --utc-offset", "UTC+2, the log's own".
std::string ClockOf(const SimulationOptions& options);

}  // namespace trezik::drive
