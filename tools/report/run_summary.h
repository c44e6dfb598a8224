// What a simulated run says of itself, shown at the top of its report page:
// the headline, the accuracy verdict and every assumption and skip.
#pragma once

#include <string>
#include <vector>

namespace trezik::report {

struct RunSummary {
  std::vector<std::string> headline;  // the headline's lines, as the terminal summary prints them
  std::string verdict;                // the accuracy verdict in one sentence
  bool correct = false;               // the verdict's word: correct or wrong
  // What the run assumed or skipped: the date, the clock, what was
  // interpolated, what could not be counted, what the readers left out.
  std::vector<std::string> notes;
  bool empty() const { return headline.empty() && verdict.empty() && notes.empty(); }
};

}  // namespace trezik::report
