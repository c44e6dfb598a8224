// trezik-report's work without its command line: finding the plug-in's logs
// in folders or files, reading them line by line into the report's figures
// (each record once, within the dates asked for), and writing the report:
// report.html, fillups.csv, trips.csv, months.csv, years.csv and
// unreadable.txt.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/report/line_reader.h"
#include "tools/report/log_reader.h"
#include "tools/report/report_data.h"

namespace trezik::report {

struct LogPath {
  std::string path;
  std::optional<LogKind> kind;  // from the name; nothing: the first record tells
};

// The logs in `paths`: a folder gives its tripmeter.log and fuel.log (names in
// any letter case), a file itself. A file named twice is read once. Throws
// InputError for a path that does not exist or cannot be read. A folder with
// neither log adds a line to `notes`.
std::vector<LogPath> FindLogs(const std::vector<std::string>& paths, std::vector<std::string>& notes);

// Reads the logs and writes the report's files into `out_folder` (created
// when missing), each whole through a temporary file and a rename. Throws
// InputError (nothing written) for a path that cannot be read or input the
// options refuse, std::runtime_error when a file cannot be written.
Report WriteReport(const std::vector<std::string>& paths, const std::string& out_folder,
                   const ReportOptions& options);

// The page, from a report whose figures are complete.
std::string ReportHtml(const Report& report);

// A few lines for standard output.
std::string SummaryText(const Report& report, const std::string& out_folder);

}  // namespace trezik::report
