#include "tools/live/history_view.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "contract/names.h"
#include "tools/common/atomic_file.h"
#include "tools/report/report.h"

namespace trezik::live {
namespace fs = std::filesystem;

std::string HistoryView::LogsStamp(std::uintmax_t& bytes) const {
  bytes = 0;
  std::string stamp;
  for (const char* name : {kTripLogFileName, kFuelLogFileName}) {
    std::error_code error;
    const fs::path path = fs::path(folder_) / name;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
      stamp += "-;";
      continue;
    }
    bytes += size;
    stamp += std::to_string(size) + "@" +
             std::to_string(fs::last_write_time(path, error).time_since_epoch().count()) + ";";
  }
  return stamp;
}

HistoryPage HistoryView::Build() const {
  std::uintmax_t bytes = 0;
  LogsStamp(bytes);
  if (bytes > kLargestLogs) {
    return {413, "The logs hold " + std::to_string(bytes / (1024 * 1024)) + " MiB, more than the " +
                     std::to_string(kLargestLogs / (1024 * 1024)) +
                     " MiB the page reads: run trezik-report on the data folder instead."};
  }
  std::string out;
  try {
    out = tools::MakeTemporaryFolder("trezik-history-");
    report::WriteReport({folder_}, out, {});
    std::ifstream page(out + "/report.html", std::ios::binary);
    std::ostringstream html;
    html << page.rdbuf();
    std::error_code ignored;
    fs::remove_all(out, ignored);
    return {200, html.str()};
  } catch (const std::exception& error) {
    std::error_code ignored;
    if (!out.empty()) fs::remove_all(out, ignored);
    return {500, std::string("The report could not be built: ") + error.what()};
  }
}

HistoryPage HistoryView::Page() {
  std::unique_lock lock(mutex_);
  if (building_) {
    const std::uint64_t awaited = builds_ + 1;
    built_.wait(lock, [&] { return builds_ >= awaited; });
    return last_;
  }
  std::uintmax_t bytes = 0;
  const std::string stamp = LogsStamp(bytes);
  if (builds_ > 0 && stamp == stamp_ && last_.status == 200) return last_;
  building_ = true;
  lock.unlock();
  HistoryPage page = Build();
  lock.lock();
  last_ = std::move(page);
  stamp_ = stamp;
  building_ = false;
  ++builds_;
  built_.notify_all();
  return last_;
}

}  // namespace trezik::live
