// trezik-report's work without its command line: reading the plug-in's logs
// from folders or files, putting their records together (each record once,
// within the dates asked for), and the report's files: report.html,
// fillups.csv, months.csv and trips.csv.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/report/log_reader.h"

namespace trezik::report {

struct ReportOptions {
  bool imperial = false;         // the logs were written with isunits=False
  std::string from, to;          // YYYY-MM-DD, both ends included; empty for no bound
  std::string currency = "currency";  // the money's name in labels ("EUR", "$")
};

// A path that does not exist or cannot be read.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The logs in `paths`: a folder gives its tripmeter.log and fuel.log (names in
// any letter case), a file itself. A file named twice is read once. Throws
// InputError for a path that does not exist or cannot be read. A folder with
// neither log adds a line to `notes`.
std::vector<LogFile> ReadLogs(const std::vector<std::string>& paths, std::vector<std::string>& notes);

struct MonthRow {
  std::string month;  // YYYY-MM
  double distance = 0, fuel = 0, cost = 0;  // sums over the month's fill-ups
  double work_distance = 0;                 // sum of the trip records' work_added
  int fill_ups = 0, trips = 0;
};

struct Totals {
  std::string first_date, last_date;  // of every record kept; empty when none
  double distance = 0, fuel = 0, cost = 0, work_distance = 0;
  // Fill-ups with a distance and a consumption above 0: the lowest
  // consumption is the best in L/100 km, the highest in mpg.
  std::optional<std::size_t> best, worst;  // indexes into Report::fills
  // Over the fill-ups with a price above 0; the average is what a unit cost
  // on average: the sum of litres x price over the sum of litres.
  std::optional<double> lowest_price, highest_price, average_price;
};

struct Report {
  ReportOptions options;
  std::vector<std::string> files;  // the logs read
  std::vector<std::string> notes;
  std::vector<FuelRecord> fills;  // in file order, each once, within the dates
  std::vector<TripRecord> trips;
  std::vector<BadLine> bad;
  std::vector<MonthRow> months;  // in calendar order
  int duplicates = 0;            // records left out because they were read before
  int outside_dates = 0;         // records left out by --from and --to
  Totals totals;
};

Report BuildReport(const std::vector<LogFile>& logs, const ReportOptions& options);

// Fuel over distance x 100 (metric) or distance over fuel (imperial), rounded
// to 2 decimals; nothing when the distance or the fuel is 0.
std::optional<double> Consumption(double distance, double fuel, bool imperial);

// The texts of the four files.
std::string FillUpsCsv(const Report& report);
std::string MonthsCsv(const Report& report);
std::string TripsCsv(const Report& report);
std::string ReportHtml(const Report& report);

// Writes the four files into `out_folder` (created when missing), each whole
// through a temporary file and a rename. Throws std::runtime_error when a
// file cannot be written.
void WriteReportFiles(const Report& report, const std::string& out_folder);

// A few lines for standard output.
std::string SummaryText(const Report& report, const std::string& out_folder);

// All of it for a caller that has a folder of logs: read, build, write.
// Throws InputError or std::runtime_error as above.
Report WriteReport(const std::vector<std::string>& paths, const std::string& out_folder,
                   const ReportOptions& options);

// A number as the CSV files and the page write it: "." and no exponent or
// thousands separators, no trailing zeros; rounded to `decimals` places when
// that is not negative, else the shortest text that reads back as the value.
// Not a finite number: an empty text.
std::string PlainNumber(double value, int decimals = -1);

}  // namespace trezik::report
