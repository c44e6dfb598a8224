#include "tools/report/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unordered_set>

#include "core/convert.h"
#include "tools/report/csv.h"
#include "tools/report/units.h"
#include "tools/simulator/atomic_file.h"

namespace trezik::report {
namespace fs = std::filesystem;
namespace {

// Sums of logged figures carry binary rounding noise (1.34 comes out as
// 1.3399999999999999); six decimals keep every figure the plug-in writes and
// drop the noise.
constexpr int kSumDecimals = 6;
constexpr int kMoneyDecimals = 2;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path.string() + ": cannot be read");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw InputError(path.string() + ": cannot be read");
  return content.str();
}

bool InRange(const std::string& date, const ReportOptions& options) {
  return (options.from.empty() || date >= options.from) && (options.to.empty() || date <= options.to);
}

}  // namespace

std::string PlainNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  if (decimals >= 0) value = RoundHalfEven(value, decimals);
  if (value == 0) return "0";
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return std::string(text, result.ptr);
}

std::optional<double> Consumption(double distance, double fuel, bool imperial) {
  if (distance == 0 || fuel == 0) return std::nullopt;
  return RoundHalfEven(imperial ? distance / fuel : fuel / distance * 100, 2);
}

std::vector<LogFile> ReadLogs(const std::vector<std::string>& paths, std::vector<std::string>& notes) {
  std::vector<std::pair<fs::path, std::optional<LogKind>>> files;
  for (const std::string& given : paths) {
    const fs::path path(given);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
      if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
        throw InputError(given + ": cannot be read: " + error.message());
      }
      throw InputError(given + ": no such file or folder");
    }
    if (!fs::is_directory(status)) {
      files.emplace_back(path, KindFromName(path.filename().string()));
      continue;
    }
    std::vector<std::pair<fs::path, LogKind>> found;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
      const std::string name = ToLowerAscii(it->path().filename().string());
      if (name == "tripmeter.log") found.emplace_back(it->path(), LogKind::kTrip);
      if (name == "fuel.log") found.emplace_back(it->path(), LogKind::kFuel);
    }
    if (error) throw InputError(given + ": the folder cannot be read: " + error.message());
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    if (found.empty()) notes.push_back(given + ": no tripmeter.log or fuel.log in this folder");
    for (const auto& [file, kind] : found) files.emplace_back(file, kind);
  }

  // Everything is read before anything is written; a file named twice once.
  std::vector<LogFile> logs;
  std::set<std::string> read;
  for (const auto& [path, kind] : files) {
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    if (!read.insert(error ? path.string() : canonical.string()).second) continue;
    logs.push_back(ParseLog(ReadWhole(path), path.string(), kind));
  }
  return logs;
}

Report BuildReport(const std::vector<LogFile>& logs, const ReportOptions& options) {
  Report report;
  report.options = options;
  std::unordered_set<std::string> seen;
  auto keep = [&](const std::string& key, const std::string& date) {
    if (!seen.insert(key).second) {
      ++report.duplicates;
      return false;
    }
    if (!InRange(date, options)) {
      ++report.outside_dates;
      return false;
    }
    return true;
  };
  for (const LogFile& log : logs) {
    report.files.push_back(log.path);
    report.bad.insert(report.bad.end(), log.bad.begin(), log.bad.end());
    for (const FuelRecord& r : log.fills) {
      if (keep(r.key, r.date)) report.fills.push_back(r);
    }
    for (const TripRecord& r : log.trips) {
      if (keep(r.key, r.date)) report.trips.push_back(r);
    }
  }

  Totals& t = report.totals;
  std::map<std::string, MonthRow> months;
  auto date_seen = [&](const std::string& date) {
    if (t.first_date.empty() || date < t.first_date) t.first_date = date;
    if (t.last_date.empty() || date > t.last_date) t.last_date = date;
  };
  double priced_litres = 0, priced_cost = 0;
  for (std::size_t i = 0; i < report.fills.size(); ++i) {
    const FuelRecord& r = report.fills[i];
    date_seen(r.date);
    MonthRow& m = months[r.date.substr(0, 7)];
    m.distance += r.distance;
    m.fuel += r.litres;
    m.cost += r.cost;
    ++m.fill_ups;
    t.distance += r.distance;
    t.fuel += r.litres;
    t.cost += r.cost;
    if (r.distance > 0 && r.consumption > 0) {
      // Lower is better in L/100 km, higher in mpg.
      auto better = [&](std::size_t a, std::size_t b) {
        return options.imperial ? report.fills[a].consumption > report.fills[b].consumption
                                : report.fills[a].consumption < report.fills[b].consumption;
      };
      if (!t.best || better(i, *t.best)) t.best = i;
      if (!t.worst || better(*t.worst, i)) t.worst = i;
    }
    if (r.price > 0) {
      t.lowest_price = std::min(t.lowest_price.value_or(r.price), r.price);
      t.highest_price = std::max(t.highest_price.value_or(r.price), r.price);
      priced_litres += r.litres;
      priced_cost += r.litres * r.price;
    }
  }
  if (priced_litres > 0) t.average_price = priced_cost / priced_litres;
  for (const TripRecord& r : report.trips) {
    date_seen(r.date);
    MonthRow& m = months[r.date.substr(0, 7)];
    m.work_distance += r.work_added;
    ++m.trips;
    t.work_distance += r.work_added;
  }
  for (auto& [month, row] : months) {
    row.month = month;
    report.months.push_back(row);
  }
  return report;
}

std::string FillUpsCsv(const Report& report) {
  std::string csv = "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place\r\n";
  for (const FuelRecord& r : report.fills) {
    csv += CsvText(r.date) + "," + CsvText(r.time) + "," + PlainNumber(r.litres) + "," + PlainNumber(r.distance) + "," +
           PlainNumber(r.consumption) + "," + PlainNumber(r.price) + "," + PlainNumber(r.cost, kMoneyDecimals) +
           "," + PlainNumber(r.cost_per_distance) + "," + CsvText(r.latitude) + "," + CsvText(r.longitude) + "," +
           CsvText(r.place) + "\r\n";
  }
  return csv;
}

std::string MonthsCsv(const Report& report) {
  std::string csv = "month,distance,fuel,cost,consumption,work_distance\r\n";
  for (const MonthRow& m : report.months) {
    const std::optional<double> consumption = Consumption(m.distance, m.fuel, report.options.imperial);
    csv += CsvText(m.month) + "," + PlainNumber(m.distance, kSumDecimals) + "," + PlainNumber(m.fuel, kSumDecimals) +
           "," + PlainNumber(m.cost, kMoneyDecimals) + "," + (consumption ? PlainNumber(*consumption) : "") + "," +
           PlainNumber(m.work_distance, kSumDecimals) + "\r\n";
  }
  return csv;
}

std::string TripsCsv(const Report& report) {
  std::string csv = "date,time,trip,total,work,work_added,latitude,longitude,place\r\n";
  for (const TripRecord& r : report.trips) {
    csv += CsvText(r.date) + "," + CsvText(r.time) + "," + PlainNumber(r.trip) + "," + PlainNumber(r.total) + "," +
           PlainNumber(r.work) + "," + PlainNumber(r.work_added, kSumDecimals) + "," + CsvText(r.latitude) + "," +
           CsvText(r.longitude) + "," + CsvText(r.place) + "\r\n";
  }
  return csv;
}

void WriteReportFiles(const Report& report, const std::string& out_folder) {
  // Every text is made before the first file is written.
  const std::pair<const char*, std::string> files[] = {{"fillups.csv", FillUpsCsv(report)},
                                                       {"months.csv", MonthsCsv(report)},
                                                       {"trips.csv", TripsCsv(report)},
                                                       {"report.html", ReportHtml(report)}};
  drive::MakeFolders(out_folder);
  for (const auto& [name, content] : files) drive::WriteFileWhole((fs::path(out_folder) / name).string(), content);
}

std::string SummaryText(const Report& report, const std::string& out_folder) {
  const Units units = UnitsFor(report.options);
  const Totals& t = report.totals;
  std::ostringstream out;
  out << "trezik-report: " << report.files.size() << " log(s), " << report.fills.size() << " fill-up(s), "
      << report.trips.size() << " trip record(s), " << report.bad.size() << " line(s) not read, "
      << report.duplicates << " record(s) read twice";
  if (report.outside_dates > 0) out << ", " << report.outside_dates << " outside the dates";
  out << "\n";
  for (const std::string& note : report.notes) out << "  " << note << "\n";
  if (report.fills.empty() && report.trips.empty()) {
    out << "  no records\n";
  } else {
    const std::optional<double> consumption = Consumption(t.distance, t.fuel, report.options.imperial);
    out << "  " << t.first_date << " to " << t.last_date << ": " << PlainNumber(t.distance, 2) << " "
        << units.distance << ", " << PlainNumber(t.fuel, 2) << " " << units.volume << ", "
        << PlainNumber(t.cost, kMoneyDecimals) << " " << report.options.currency << ", "
        << (consumption ? PlainNumber(*consumption) : "-") << " " << units.consumption << "\n";
  }
  out << "  written to " << out_folder << ": report.html fillups.csv months.csv trips.csv\n";
  return out.str();
}

Report WriteReport(const std::vector<std::string>& paths, const std::string& out_folder,
                   const ReportOptions& options) {
  std::vector<std::string> notes;
  const std::vector<LogFile> logs = ReadLogs(paths, notes);
  Report report = BuildReport(logs, options);
  report.notes = std::move(notes);
  WriteReportFiles(report, out_folder);
  return report;
}

}  // namespace trezik::report
