// Wrong tokens slowed down, and only wrong ones: a right token is always
// taken, whatever came before it from its address, since the kiosk shares
// its address (127.0.0.1) with every local program. After kFreeTries wrong
// tokens in a row from one client address, its wrong tokens are answered
// 429 instead of 401, for 1 s after the 5th wrong one, 2 s after the 6th,
// doubling up to 15 minutes; tries while it waits are answered 429 and do
// not count on. A right token ends no count (a program guessing from the
// kiosk's address would get free tries after each of the kiosk's
// commands): a minute without a wrong token, after the wait, does. The
// same holds for all addresses together, after kFreeTriesOverall wrong
// tokens, so that changing the source address for every guess gains
// nothing. IPv4 and IPv6 loopback are one address.
//
// What is told on the log is summed up: a line when the first wait begins
// and then at most one a minute, with the number of wrong tokens and of
// addresses since the line before; never a line per try. Thread-safe.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace trezik::live {

class TokenThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kFreeTries = 5;
  static constexpr int kFreeTriesOverall = 20;
  static constexpr std::chrono::seconds kLongestWait{15 * 60};
  // A pause this long after the wait, without a wrong token, starts the
  // count anew.
  static constexpr std::chrono::seconds kPause{60};
  static constexpr std::chrono::seconds kReportEvery{60};
  // Addresses remembered at most; beyond, those not waiting are forgotten.
  static constexpr std::size_t kAddressesKept = 1024;

  struct Verdict {
    std::chrono::seconds wait{0};  // > 0: answered 429 with this Retry-After
    std::optional<std::string> report;  // a line for the log, now and then
  };

  // A wrong token from `address`.
  Verdict Wrong(const std::string& address, Clock::time_point now);
  // How long `address`'s wrong tokens still get 429 (for tests).
  std::chrono::seconds Wait(const std::string& address, Clock::time_point now);

 private:
  struct Count {
    int wrong = 0;
    Clock::time_point until;
    Clock::time_point last;
  };
  // Counts one wrong token against `count` with `free` free tries; a
  // count past its pause starts anew.
  static std::chrono::seconds Counted(Count& count, int free, Clock::time_point now);
  std::chrono::seconds WaitLocked(const std::string& key, Clock::time_point now) const;

  std::mutex mutex_;
  std::map<std::string, Count> counts_;
  Count overall_;
  // Since the last line on the log.
  long tries_since_report_ = 0;
  std::set<std::string> addresses_since_report_;
  std::optional<Clock::time_point> reported_;
};

}  // namespace trezik::live
