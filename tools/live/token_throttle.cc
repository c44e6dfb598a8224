#include "tools/live/token_throttle.h"

#include <algorithm>

namespace trezik::live {

std::chrono::seconds TokenThrottle::Wait(const std::string& address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  const auto it = counts_.find(address);
  if (it == counts_.end() || it->second.until <= now) return std::chrono::seconds(0);
  // Rounded up: a client told to wait 0 s would try at once.
  return std::chrono::ceil<std::chrono::seconds>(it->second.until - now);
}

std::chrono::seconds TokenThrottle::Wrong(const std::string& address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (counts_.size() >= kAddressesKept && counts_.find(address) == counts_.end()) {
    std::erase_if(counts_, [now](const auto& item) { return item.second.until <= now; });
    if (counts_.size() >= kAddressesKept) counts_.erase(counts_.begin());
  }
  Count& count = counts_[address];
  ++count.wrong;
  if (count.wrong < kFreeTries) return std::chrono::seconds(0);
  const int doublings = std::min(count.wrong - kFreeTries, 10);  // 2^10 s is past the longest wait
  const auto wait = std::min(std::chrono::seconds(1LL << doublings), std::chrono::seconds(kLongestWait));
  count.until = now + wait;
  return wait;
}

void TokenThrottle::Right(const std::string& address) {
  std::lock_guard lock(mutex_);
  counts_.erase(address);
}

}  // namespace trezik::live
