// trezik-report: a report of the trezik plug-in's trip and fuel logs, as a
// page and as CSV files. See docs/report.md.
#include <iostream>

#include "tools/report/trezik_report.h"

int main(int argc, char** argv) {
  return trezik::report::RunTrezikReport(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
