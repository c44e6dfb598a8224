// What a report costs. First ten years of one car: a generated history of
// 3,650 trip records (one a day), 600 fill-ups and a few dozen damaged lines,
// written with the plug-in's own record writers (contract/log_record.h), then read and reported a
// few times; the best time against the aim of half a second. Then logs of
// valid records of 5 MB, 50 MB and 500 MB, each reported once in a child
// process of its own: the time and the child's peak memory, against the aims
// of 2 s and 100 MB for 50 MB, and time growing in step with the size.
//   bench_report [FOLDER]   keeps the ten years and their report in FOLDER
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "contract/log_line.h"
#include "contract/log_record.h"
#include "contract/names.h"
#include "core/convert.h"
#include "tools/common/atomic_file.h"
#include "tools/report/report.h"

namespace {

namespace fs = std::filesystem;

// A record's date and time, as the plug-in writes them.
struct When {
  std::string date, time;
  unsigned month = 0;
};

// Day 0 is 2016-01-01.
When Day(int days_after_start, int seconds_of_day) {
  using namespace std::chrono;
  const year_month_day date{sys_days{year{2016} / January / 1} + days{days_after_start}};
  return {trezik::RecordDate(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                             static_cast<int>(static_cast<unsigned>(date.day()))),
          trezik::RecordTime(seconds_of_day), static_cast<unsigned>(date.month())};
}

struct History {
  int trips = 0, fills = 0, bad = 0;
};

// Ten years of one car: a drive every day, work meter running on weekdays
// and reset at each month's start, a fill-up every sixth day or so.
History WriteHistory(const fs::path& folder) {
  std::mt19937 random(20260101);
  std::uniform_real_distribution<double> unit(0, 1);
  std::string trip_log, fuel_log;
  History h;
  double total = 0, work = 0, price = 1.45;
  unsigned month = 0;
  for (int day = 0; day < 3650; ++day) {
    const When when = Day(day, 18 * 3600 + static_cast<int>(unit(random) * 3600));
    if (when.month != month) {
      month = when.month;
      work = 0;
    }
    const double trip = trezik::RoundHalfEven(15 + 70 * unit(random), 2);
    total += trip;
    if (day % 7 < 5) work += trezik::RoundHalfEven(trip * 0.6, 2);
    const std::string latitude = trezik::DoubleToText(48 + unit(random), '.');
    const std::string longitude = trezik::DoubleToText(11 + unit(random), '.');
    trip_log += trezik::WriteTripRecord({when.date, when.time, trip, trezik::RoundHalfEven(total, 2),
                                         trezik::RoundHalfEven(work, 2), latitude, longitude,
                                         day % 3 ? "Ring Road" : "Lindenweg \"Ost\""});
    ++h.trips;
    if (h.fills < 600 && day % 6 == 5 && day > 0) {
      const double distance = trezik::RoundHalfEven(total, 2);
      const double litres = trezik::RoundHalfEven(distance * (6 + 2.5 * unit(random)) / 100, 2);
      price = std::clamp(price + 0.04 * (unit(random) - 0.5), 1.1, 2.1);
      const double shown_price = trezik::RoundHalfEven(price, 3);
      fuel_log += trezik::WriteFuelRecord({when.date, when.time, litres, distance,
                                           trezik::DoubleToText(trezik::RoundHalfEven(litres / distance * 100, 2), ','),
                                           shown_price, trezik::RoundHalfEven(litres * shown_price / distance, 2),
                                           "48.1", "11.5", "Station", {}});
      ++h.fills;
      total = 0;
    }
    if (day % 200 == 50) {  // a damaged line now and then
      trip_log += day % 400 == 50 ? std::string("\"2020-02-30\",\"08:00:00\",1,2,3,\"a\",\"b\",\"c\"\r\n")
                                  : std::string(40, '\0') + "\r\n";
      fuel_log += "\"2020-01-01\",\"08:00:00\",35.2\r\n";
      h.bad += 2;
    }
  }
  trezik::tools::MakeFolders(folder.string());
  trezik::tools::ReplaceFileDurably((folder / trezik::kTripLogFileName).string(), trip_log);
  trezik::tools::ReplaceFileDurably((folder / trezik::kFuelLogFileName).string(), fuel_log);
  return h;
}

// A history of valid records of about `bytes` bytes: a drive every half
// hour and a fill-up every twelfth drive, written piece by piece.
void WriteLargeHistory(const fs::path& folder, std::size_t bytes) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  trezik::tools::MakeFolders(folder.string());
  std::FILE* trips = std::fopen((folder / trezik::kTripLogFileName).string().c_str(), "wb");
  std::FILE* fuel = std::fopen((folder / trezik::kFuelLogFileName).string().c_str(), "wb");
  std::size_t written = 0;
  double total = 0, work = 0;
  for (long n = 0; written < bytes; ++n) {
    const When when = Day(static_cast<int>(n / 48), static_cast<int>(n % 48) * 1800 + 60);
    const double trip = trezik::RoundHalfEven(5 + 40 * unit(random), 2);
    total += trip;
    if (n % 3 == 0) work += trip;
    const std::string line =
        trezik::WriteTripRecord({when.date, when.time, trip, trezik::RoundHalfEven(total, 2),
                                 trezik::RoundHalfEven(work, 2), "48.1234567", "11.5432109",
                                 n % 2 ? "Ring Road" : "Lindenweg"});
    written += std::fwrite(line.data(), 1, line.size(), trips);
    if (n % 12 == 11) {
      const double distance = trezik::RoundHalfEven(total, 2);
      const double litres = trezik::RoundHalfEven(distance * (6 + 2 * unit(random)) / 100, 2);
      const std::string fill = trezik::WriteFuelRecord(
          {when.date, when.time, litres, distance,
           trezik::DoubleToText(trezik::RoundHalfEven(litres / distance * 100, 2), '.'), 1.659,
           trezik::RoundHalfEven(litres * 1.659 / distance, 2), "48.1", "11.5", "Station", {}});
      written += std::fwrite(fill.data(), 1, fill.size(), fuel);
      total = 0;
    }
  }
  std::fclose(trips);
  std::fclose(fuel);
}

struct Cost {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system: less shaken by a busy machine
  double peak_mb = 0;
  bool ok = false;
};

// Reports the history in a child process: its time and peak memory alone.
Cost ReportInChild(const fs::path& folder) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      trezik::report::WriteReport({(folder / "plugin").string()}, (folder / "report").string(), {});
      ::_exit(0);
    } catch (...) {
      ::_exit(1);
    }
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  Cost cost;
  cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024;  // kilobytes on Linux
  cost.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return cost;
}

bool SizeSeries() {
  bool ok = true;
  double per_mb_50 = 0;
  for (const std::size_t mb : {5, 50, 500}) {
    const fs::path folder = trezik::tools::MakeTemporaryFolder("trezik-bench-report-size-");
    WriteLargeHistory(folder / "plugin", mb << 20);
    const Cost cost = ReportInChild(folder);
    const double per_mb = cost.seconds / static_cast<double>(mb);
    if (mb == 50) per_mb_50 = per_mb;
    std::printf("report of a %zu MB history of valid records: %.2f s (%.1f ms per MB; CPU %.2f s), peak memory %.0f MB%s\n",
                mb, cost.seconds, per_mb * 1000, cost.cpu_seconds, cost.peak_mb,
                cost.ok ? "" : " -- BUT the report failed");
    if (mb == 50) {
      std::printf("  aims for 50 MB: under 2 s: %s; under 100 MB of memory: %s\n",
                  cost.seconds < 2 ? "met" : "not met", cost.peak_mb < 100 ? "met" : "not met");
    }
    if (mb == 500 && per_mb_50 > 0) {
      std::printf("  time per MB at 500 MB / at 50 MB: %.2f (linear: about 1)\n", per_mb / per_mb_50);
    }
    ok = ok && cost.ok;
    fs::remove_all(folder);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool keep = argc > 1;
  const fs::path folder =
      keep ? fs::path(argv[1]) : fs::path(trezik::tools::MakeTemporaryFolder("trezik-bench-report-"));
  const History h = WriteHistory(folder / "plugin");
  double best = 1e9;
  trezik::report::Report report;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    report = trezik::report::WriteReport({(folder / "plugin").string()}, (folder / "report").string(), {});
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  const bool whole = report.totals.trip_records == h.trips && report.totals.fill_ups == h.fills &&
                     report.bad_lines == h.bad;
  std::printf("report of ten years (%d trip records, %d fill-ups, %d damaged lines): read and written in %.0f ms "
              "(best of 5; aim under 500 ms: %s)%s\n",
              h.trips, h.fills, h.bad, best * 1000, best < 0.5 ? "met" : "not met",
              whole ? "" : " -- BUT the report did not hold every record");
  if (!keep) fs::remove_all(folder);
  const bool sizes = SizeSeries();
  return whole && sizes ? 0 : 1;
}
