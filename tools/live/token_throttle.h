// Wrong tokens slowed down: after kFreeTries wrong tokens in a row from one
// client address, its commands are answered 429 without a look at their
// token, for 1 s after the 5th wrong one, 2 s after the 6th, doubling up to
// 15 minutes. A right token ends the count. Thread-safe.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace trezik::live {

class TokenThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kFreeTries = 5;
  static constexpr std::chrono::seconds kLongestWait{15 * 60};
  // Addresses remembered at most; beyond, those not waiting are forgotten.
  static constexpr std::size_t kAddressesKept = 1024;

  // How long `address` must still wait; zero when it may try a token.
  std::chrono::seconds Wait(const std::string& address, Clock::time_point now);
  // A wrong token from `address`: the wait it starts now (zero for the
  // first kFreeTries - 1).
  std::chrono::seconds Wrong(const std::string& address, Clock::time_point now);
  void Right(const std::string& address);

 private:
  struct Count {
    int wrong = 0;
    Clock::time_point until;
  };
  std::mutex mutex_;
  std::map<std::string, Count> counts_;
};

}  // namespace trezik::live
