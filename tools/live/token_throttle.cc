#include "tools/live/token_throttle.h"

#include <algorithm>

#include "tools/live/connection_watch.h"

namespace trezik::live {

std::chrono::seconds TokenThrottle::Counted(Count& count, int free, Clock::time_point now) {
  if (count.wrong > 0 && now - std::max(count.last, count.until) > kPause) count = Count{};
  count.last = now;
  ++count.wrong;
  if (count.wrong < free) return std::chrono::seconds(0);
  const int doublings = std::min(count.wrong - free, 10);  // 2^10 s is past the longest wait
  const auto wait = std::min(std::chrono::seconds(1LL << doublings), std::chrono::seconds(kLongestWait));
  count.until = now + wait;
  return wait;
}

std::chrono::seconds TokenThrottle::WaitLocked(const std::string& key, Clock::time_point now) const {
  Clock::time_point until = overall_.until;
  if (const auto it = counts_.find(key); it != counts_.end()) until = std::max(until, it->second.until);
  if (until <= now) return std::chrono::seconds(0);
  // Rounded up: a client told to wait 0 s would try at once.
  return std::chrono::ceil<std::chrono::seconds>(until - now);
}

std::chrono::seconds TokenThrottle::Wait(const std::string& address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  return WaitLocked(CountedAddress(address), now);
}

TokenThrottle::Verdict TokenThrottle::Wrong(const std::string& address, Clock::time_point now) {
  const std::string key = CountedAddress(address);
  std::lock_guard lock(mutex_);
  Verdict verdict;
  verdict.wait = WaitLocked(key, now);
  if (verdict.wait.count() == 0) {
    if (counts_.size() >= kAddressesKept && counts_.find(key) == counts_.end()) {
      std::erase_if(counts_, [now](const auto& item) { return item.second.until <= now; });
      if (counts_.size() >= kAddressesKept) counts_.erase(counts_.begin());
    }
    verdict.wait = std::max(Counted(counts_[key], kFreeTries, now), Counted(overall_, kFreeTriesOverall, now));
  }
  ++tries_since_report_;
  if (addresses_since_report_.size() < kAddressesKept) addresses_since_report_.insert(key);
  if (verdict.wait.count() > 0 && (!reported_ || now - *reported_ >= kReportEvery)) {
    const std::size_t addresses = addresses_since_report_.size();
    verdict.report = std::to_string(tries_since_report_) + (tries_since_report_ == 1 ? " wrong token" : " wrong tokens") +
                     (reported_ ? " in the last minute" : "") + " from " +
                     (addresses == 1 ? key : std::to_string(addresses) +
                                                 (addresses >= kAddressesKept ? " or more" : "") + " addresses") +
                     ": wrong tokens get 429 for " + std::to_string(verdict.wait.count()) + " s";
    reported_ = now;
    tries_since_report_ = 0;
    addresses_since_report_.clear();
  }
  return verdict;
}

}  // namespace trezik::live
