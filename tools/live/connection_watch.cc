#include "tools/live/connection_watch.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace trezik::live {

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
    // A connection that begins to wait later has its time up after the
    // longest sleep here, so the earliest time up of those waiting now is
    // when to look again.
    const auto now = Clock::now();
    auto next = now + std::chrono::seconds(1);
    for (Entry& entry : entries_) {
      if (!entry.waiting || entry.shut) continue;
      const auto up = entry.since + limits_.request_time;
      if (up <= now) {
        ShutDown(entry);
      } else {
        next = std::min(next, up);
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
  std::lock_guard lock(mutex_);
  int total = 0, same = 0;
  Entry* oldest = nullptr;
  Entry* oldest_same = nullptr;
  for (Entry& entry : entries_) {
    if (!entry.waiting || entry.shut) continue;
    ++total;
    if (oldest == nullptr || entry.since < oldest->since) oldest = &entry;
    if (entry.address == address) {
      ++same;
      if (oldest_same == nullptr || entry.since < oldest_same->since) oldest_same = &entry;
    }
  }
  if (same >= limits_.waiting_per_address) {
    ShutDown(*oldest_same);
  } else if (total >= limits_.waiting_total) {
    ShutDown(*oldest);
  }
}

ConnectionWatch::Entry* ConnectionWatch::Opened(int socket, std::string address) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_.emplace_back();
  entry.socket = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
  entry.address = std::move(address);
  entry.since = Clock::now();
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

void ConnectionWatch::Answering(Entry* entry) {
  if (entry == nullptr) return;
  std::lock_guard lock(mutex_);
  entry->waiting = false;
}

void ConnectionWatch::Answered(Entry* entry) {
  if (entry == nullptr) return;
  std::lock_guard lock(mutex_);
  entry->waiting = true;
  entry->since = Clock::now();
}

int ConnectionWatch::waiting() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                        [](const Entry& e) { return e.waiting && !e.shut; }));
}

int ConnectionWatch::open() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(entries_.size());
}

}  // namespace trezik::live
