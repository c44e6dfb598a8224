#include "tools/live/connection_watch.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace trezik::live {

std::string CountedAddress(const std::string& address) {
  constexpr char kMapped[] = "::ffff:";
  if (address.rfind(kMapped, 0) == 0 && address.find('.') != std::string::npos) return address.substr(7);
  if (address == "::1") return "127.0.0.1";
  return address;
}

ConnectionWatch::ConnectionWatch(Limits limits) : limits_(limits) {}

void ConnectionWatch::Start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
}

void ConnectionWatch::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (Entry& entry : entries_) ShutDown(entry);
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ConnectionWatch::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    // A deadline set later lies after the longest sleep here, or wakes
    // the thread (Answering), so the earliest deadline of those set now is
    // when to look again.
    const auto now = Clock::now();
    auto next = now + std::chrono::seconds(1);
    for (Entry& entry : entries_) {
      if (entry.state == State::kStreaming || entry.shut) continue;
      if (entry.deadline <= now) {
        ShutDown(entry);
      } else {
        next = std::min(next, entry.deadline);
      }
    }
    wake_.wait_until(lock, next);
  }
}

void ConnectionWatch::ShutDown(Entry& entry) {
  if (entry.shut) return;
  entry.shut = true;
  ::shutdown(entry.socket, SHUT_RDWR);
}

void ConnectionWatch::MakeRoom(const std::string& address) {
  const std::string counted = CountedAddress(address);
  std::lock_guard lock(mutex_);
  int total = 0, same = 0;
  for (const Entry& entry : entries_) {
    if (entry.shut) continue;
    ++total;
    same += entry.address == counted;
  }
  const bool own = same >= limits_.open_per_address;
  if (!own && total < limits_.open_total) return;
  // The one longest in its state, of the address when it is at its cap;
  // preferred connections only when no other is left, streams never.
  Entry* victim = nullptr;
  for (Entry& entry : entries_) {
    if (entry.shut || entry.state == State::kStreaming || (own && entry.address != counted)) continue;
    if (victim == nullptr || (victim->preferred && !entry.preferred) ||
        (victim->preferred == entry.preferred && entry.since < victim->since)) {
      victim = &entry;
    }
  }
  if (victim != nullptr) ShutDown(*victim);
}

ConnectionWatch::Entry* ConnectionWatch::Opened(int socket, std::string address) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_.emplace_back();
  entry.socket = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
  entry.address = CountedAddress(address);
  entry.since = Clock::now();
  entry.deadline = entry.since + limits_.request_time;
  // Without a duplicate the connection cannot be watched; it is refused.
  if (entry.socket < 0 || stopping_) {
    entry.shut = true;
    ::shutdown(socket, SHUT_RDWR);
  }
  return &entry;
}

void ConnectionWatch::Closed(Entry* entry) {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(entries_.begin(), entries_.end(), [entry](const Entry& e) { return &e == entry; });
  if (it == entries_.end()) return;
  if (it->socket >= 0) ::close(it->socket);
  entries_.erase(it);
}

void ConnectionWatch::Answering(Entry* entry, std::chrono::milliseconds time) {
  if (entry == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    entry->state = State::kAnswering;
    entry->since = Clock::now();
    entry->deadline = entry->since + time;
  }
  wake_.notify_all();
}

void ConnectionWatch::Answered(Entry* entry) {
  if (entry == nullptr) return;
  std::lock_guard lock(mutex_);
  entry->state = State::kWaiting;
  entry->since = Clock::now();
  entry->deadline = entry->since + limits_.request_time;
}

void ConnectionWatch::Prefer(Entry* entry) {
  if (entry == nullptr) return;
  std::lock_guard lock(mutex_);
  entry->preferred = true;
}

bool ConnectionWatch::Streaming(Entry* entry) {
  if (entry == nullptr) return false;
  std::lock_guard lock(mutex_);
  int total = 0, same = 0;
  Entry* oldest_same = nullptr;
  for (Entry& other : entries_) {
    if (other.shut || other.state != State::kStreaming) continue;
    ++total;
    if (other.address != entry->address) continue;
    ++same;
    if (oldest_same == nullptr || other.since < oldest_same->since) oldest_same = &other;
  }
  if (same >= limits_.streams_per_address) {
    ShutDown(*oldest_same);
    --total;
  }
  if (total >= limits_.streams_total) return false;
  entry->state = State::kStreaming;
  entry->since = Clock::now();
  return true;
}

bool ConnectionWatch::IsShut(const Entry* entry) const {
  if (entry == nullptr) return false;
  std::lock_guard lock(mutex_);
  return entry->shut;
}

int ConnectionWatch::waiting() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                        [](const Entry& e) { return e.state == State::kWaiting && !e.shut; }));
}

int ConnectionWatch::open() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.shut; }));
}

}  // namespace trezik::live
