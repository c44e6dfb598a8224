// The opening section of a simulated run's report page.
#pragma once

#include <string>

#include "tools/report/run_summary.h"

namespace trezik::report {

// The section (id "run-summary"): the headline, the verdict (class "correct"
// or "wrong") and the notes, each made safe for the page; empty for an empty
// summary.
std::string RunSummarySection(const RunSummary& summary);

}  // namespace trezik::report
