// The page's History view: the data folder's report (the trips, the
// fill-ups and the consumption charts trezik-report draws), built on
// request from the plug-in's logs with trezik-report's library.
//
// Bounded: logs larger than kLargestLogs together are not read (the page
// says so), which bounds the time and the memory of a build; a report of a
// year of logs takes well under a second. One build at a time: a request
// that comes while one builds waits for it and gets its page. A page is
// built again only when a log changed since the last one. Any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace trezik::live {

struct HistoryPage {
  int status = 200;  // 200; 413 when the logs are too large; 500 when it failed
  std::string html;  // the report's page, or the error's text
};

class HistoryView {
 public:
  // Some 100 years of a driver's trip and fuel records.
  static constexpr std::uintmax_t kLargestLogs = 16 * 1024 * 1024;

  explicit HistoryView(std::string data_folder) : folder_(std::move(data_folder)) {}

  HistoryPage Page();

 private:
  // The logs' sizes and times of change, to tell a changed log.
  std::string LogsStamp(std::uintmax_t& bytes) const;
  HistoryPage Build() const;

  const std::string folder_;
  std::mutex mutex_;
  std::condition_variable built_;
  bool building_ = false;
  std::uint64_t builds_ = 0;  // finished, to tell a waiter its build is done
  std::string stamp_;         // of the logs the last page was built from
  HistoryPage last_;
};

}  // namespace trezik::live
