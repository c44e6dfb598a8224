#include "tools/report/report.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "contract/names.h"
#include "core/convert.h"
#include "tools/report/csv_files.h"
#include "tools/report/figures.h"
#include "tools/report/native_path.h"
#include "tools/report/number_text.h"
#include "tools/report/seen_records.h"
#include "tools/common/streamed_file.h"

namespace trezik::report {
namespace fs = std::filesystem;
namespace {

// The largest drive chart shown on the page: with it the page stays under 2 MB.
constexpr std::uintmax_t kLargestDriveChart = 700 * 1024;

// An absolute path without "." or ".." and without a separator at the end.
fs::path Normal(const std::string& path) {
  fs::path normal = fs::absolute(NativePath(path)).lexically_normal();
  if (!normal.has_filename() && normal.has_parent_path()) normal = normal.parent_path();
  return normal;
}

bool InRange(const std::string& date, const ReportOptions& options) {
  return (options.from.empty() || date >= options.from) && (options.to.empty() || date <= options.to);
}

// The output folder, created when missing; the folders it had to create are
// removed again (when empty) unless the report was written.
class OutputFolder {
 public:
  explicit OutputFolder(const std::string& path) : path_(path) {
    fs::path missing;
    for (fs::path p = Normal(path); !p.empty() && !fs::exists(p); p = p.parent_path()) {
      missing = p;
      if (p == p.parent_path()) break;
    }
    created_ = missing;
    std::error_code error;
    fs::create_directories(NativePath(path), error);
    if (error) throw std::runtime_error("cannot create the folder " + path + ": " + error.message());
  }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;
  ~OutputFolder() {
    if (kept_ || created_.empty()) return;
    std::error_code error;
    for (fs::path p = Normal(path_); fs::remove(p, error) && p != created_; p = p.parent_path()) {
    }
  }
  std::string File(const char* name) const { return (NativePath(path_) / name).string(); }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  fs::path created_;
  bool kept_ = false;
};

std::string ReadDriveChart(const std::string& path, std::vector<std::string>& notes) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(NativePath(path), error);
  if (error) throw InputError(path + ": cannot be read: " + error.message());
  if (size > kLargestDriveChart) {
    notes.push_back(path + ": the drive chart is larger than " + std::to_string(kLargestDriveChart / 1024) +
                    " KiB and is not shown on the page");
    return "";
  }
  LineReader reader(path);
  std::string svg, line;
  bool cut = false;
  while (reader.Next(line, cut)) svg += line + "\n";
  if (svg.find("<svg") == std::string::npos) throw InputError(path + ": not an SVG picture");
  return svg;
}

// Chooses the page's units and notes each log whose fill-ups tell another.
void ChooseUnits(Report& report) {
  const ReportOptions& o = report.options;
  UnitVotes all;
  for (const LogSummary& log : report.logs) {
    all.metric += log.votes.metric;
    all.imperial += log.votes.imperial;
  }
  UnitSystem system = UnitSystem::kMetric;
  if (o.imperial || o.metric) {
    system = o.imperial ? UnitSystem::kImperial : UnitSystem::kMetric;
    report.units_from = o.imperial ? "as --imperial asks" : "as --metric asks";
  } else if (const auto told = all.Majority()) {
    system = *told;
    report.units_from = "told by " + std::to_string(std::max(all.metric, all.imperial)) + " of " +
                        std::to_string(all.metric + all.imperial) + " fill-up(s)";
  } else {
    report.units_from = all.metric + all.imperial == 0 ? "no fill-up tells the unit: metric assumed"
                                                       : "the fill-ups tell both units alike: metric assumed";
  }
  report.units = UnitsOf(system);
  const std::string shown = "; the report shows " + UnitName(system) + " " + report.units_from;
  for (const LogSummary& log : report.logs) {
    const UnitVotes& v = log.votes;
    if (v.metric > 0 && v.imperial > 0) {
      report.notes.push_back(log.path + ": " + std::to_string(v.metric) + " fill-up(s) in L/100 km and " +
                             std::to_string(v.imperial) + " in mpg" + shown);
    } else if (const auto told = v.Majority(); told && *told != system) {
      report.notes.push_back(log.path + ": its fill-ups are " + UnitName(*told) + shown);
    }
  }
}

}  // namespace

std::vector<LogPath> FindLogs(const std::vector<std::string>& paths, std::vector<std::string>& notes) {
  std::vector<LogPath> files;
  for (const std::string& given : paths) {
    const fs::path path = NativePath(given);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
      if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
        throw InputError(given + ": cannot be read: " + error.message());
      }
      throw InputError(given + ": no such file or folder");
    }
    if (!fs::is_directory(status)) {
      files.push_back({given, KindFromName(path.filename().string())});
      continue;
    }
    std::vector<LogPath> found;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
      const std::string name = ToLowerAscii(it->path().filename().string());
      if (name == kTripLogFileName) found.push_back({it->path().string(), LogKind::kTrip});
      if (name == kFuelLogFileName) found.push_back({it->path().string(), LogKind::kFuel});
    }
    if (error) throw InputError(given + ": the folder cannot be read: " + error.message());
    std::sort(found.begin(), found.end(), [](const LogPath& a, const LogPath& b) { return a.kind < b.kind; });
    if (found.empty()) notes.push_back(given + ": no tripmeter.log or fuel.log in this folder");
    files.insert(files.end(), found.begin(), found.end());
  }
  // A file named twice is read once.
  std::vector<LogPath> logs;
  std::set<std::string> named;
  for (const LogPath& log : files) {
    std::error_code error;
    const fs::path canonical = fs::canonical(NativePath(log.path), error);
    if (named.insert(error ? log.path : canonical.string()).second) logs.push_back(log);
  }
  return logs;
}

Report WriteReport(const std::vector<std::string>& paths, const std::string& out_folder,
                   const ReportOptions& options) {
  Report report;
  report.options = options;
  const std::vector<LogPath> logs = FindLogs(paths, report.notes);
  if (!options.drive_chart.empty()) report.drive_chart_svg = ReadDriveChart(options.drive_chart, report.notes);

  OutputFolder out(out_folder);
  tools::StreamedFile fillups(out.File("fillups.csv")), trips(out.File("trips.csv")),
      unreadable(out.File("unreadable.txt"));
  fillups.Write(kFillUpsHeader);
  trips.Write(kTripsHeader);

  // Records are remembered only while a later log could hold them again: a
  // log copied into a second folder, or an old log carried on elsewhere.
  // Within one log nothing is read twice.
  SeenRecords seen;
  auto read_again_later = [&](std::size_t i) {
    for (std::size_t j = i + 1; j < logs.size(); ++j) {
      if (!logs[i].kind || !logs[j].kind || logs[i].kind == logs[j].kind) return true;
    }
    return false;
  };
  Figures figures;
  long records = 0;
  std::string line;
  for (std::size_t i = 0; i < logs.size(); ++i) {
    const LogPath& path = logs[i];
    const bool remember = read_again_later(i);
    SeenRecords this_log;
    LineReader reader(path.path);
    LogParser parser(path.kind);
    LogSummary log{path.path, 0, 0, {}};
    std::string first_why;
    bool cut = false;
    while (reader.Next(line, cut)) {
      const ParsedLine parsed = parser.Line(line, cut);
      if (parsed.what == ParsedLine::kBlank) continue;
      if (parsed.what == ParsedLine::kBad) {
        ++log.bad_lines;
        ++report.bad_lines;
        BadLine bad{path.path, reader.number(), parsed.why};
        if (report.first_bad.size() < kMostBadLines) report.first_bad.push_back(bad);
        if (first_why.empty()) first_why = "line " + std::to_string(bad.line) + ": " + bad.why;
        unreadable.Write(bad.file + ":" + std::to_string(bad.line) + ": " + bad.why + "\n");
        continue;
      }
      ++log.records;
      const bool fill = parsed.what == ParsedLine::kFuel;
      if (fill) log.votes.Add(UnitOfFillUp(parsed.fill));
      if (remember) this_log.Insert(parsed.hash);
      if (seen.Contains(parsed.hash)) {
        ++report.duplicates;
        continue;
      }
      if (!InRange(fill ? parsed.fill.date : parsed.trip.date, options)) {
        ++report.outside_dates;
        continue;
      }
      if (fill) {
        figures.Add(parsed.fill);
        fillups.Write(FillUpCsvRow(parsed.fill));
      } else {
        figures.Add(parsed.trip);
        trips.Write(TripCsvRow(parsed.trip));
      }
    }
    if (options.refuse_unusable && log.records == 0 && log.bad_lines > 0) {
      throw InputError(path.path + ": not a trip or fuel log: none of its " + std::to_string(log.bad_lines) +
                       " line(s) is a record (" + first_why + ")");
    }
    records += log.records;
    report.logs.push_back(std::move(log));
    seen.Merge(this_log);
  }
  if (options.refuse_unusable && records == 0) {
    throw InputError(logs.empty() ? "no tripmeter.log or fuel.log to read"
                                  : "no record in the logs read: nothing to report");
  }

  ChooseUnits(report);
  figures.Finish(report);
  tools::StreamedFile months(out.File("months.csv")), years(out.File("years.csv")), page(out.File("report.html"));
  months.Write(PeriodsHeader("month"));
  for (const PeriodRow& row : report.months) months.Write(PeriodCsvRow(row, report.units.system));
  years.Write(PeriodsHeader("year"));
  for (const PeriodRow& row : report.years) years.Write(PeriodCsvRow(row, report.units.system));
  report.written = {"report.html", "fillups.csv", "trips.csv", "months.csv", "years.csv", "unreadable.txt"};
  page.Write(ReportHtml(report));
  for (tools::StreamedFile* file : {&fillups, &trips, &unreadable, &months, &years, &page}) file->Commit();
  out.Keep();
  return report;
}

std::string SummaryText(const Report& report, const std::string& out_folder) {
  const Units& u = report.units;
  const Totals& t = report.totals;
  const std::string money = report.options.currency.empty() ? "" : " " + report.options.currency;
  std::ostringstream out;
  out << "trezik-report: " << report.logs.size() << " log(s), " << t.fill_ups << " fill-up(s), " << t.trips
      << " trip(s) in " << t.trip_records << " trip record(s), " << report.bad_lines << " line(s) not read, "
      << report.duplicates << " record(s) read twice";
  if (report.outside_dates > 0) out << ", " << report.outside_dates << " outside the dates";
  out << "\n  units: " << UnitName(u.system) << ", " << report.units_from << "\n";
  for (const std::string& note : report.notes) out << "  " << note << "\n";
  if (t.fill_ups + t.trip_records == 0) {
    out << "  no records\n";
  } else {
    out << "  " << t.first_date << " to " << t.last_date << ": driven "
        << FixedNumber(t.trip_distance, kDistanceDecimals) << " " << u.distance << " (trip records)";
    if (t.fill_ups > 0) {
      const std::optional<double> consumption = t.Consumption(u.system);
      out << "; between fill-ups " << FixedNumber(t.fill_distance, kDistanceDecimals) << " " << u.distance << ", "
          << FixedNumber(t.fuel, kDistanceDecimals) << " " << u.volume << ", "
          << FixedNumber(t.cost, kMoneyDecimals) << money << ", "
          << (consumption ? FixedNumber(*consumption, kConsumptionDecimals) + " " + u.consumption
                          : t.full_tanks == 0 ? "no consumption (it needs a full tank: every fill-up is partial)"
                                              : "no consumption");
    }
    out << "\n";
  }
  out << "  written to " << out_folder << ":";
  for (const std::string& name : report.written) out << " " << name;
  out << "\n";
  return out.str();
}

}  // namespace trezik::report
