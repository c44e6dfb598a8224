#include "tools/live/gpsd_receiver.h"

#include <gps.h>
#include <netinet/in.h>
#include <poll.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace trezik::live {

// Everything the thread touches, owned together with the receiver, so that
// a thread left inside a connection attempt outlives the receiver safely.
struct GpsdReceiver::Shared {
  std::string host, port;
  std::chrono::milliseconds first_retry{GpsdReceiver::kFirstRetry};
  std::chrono::milliseconds longest_retry{GpsdReceiver::kLongestRetry};
  mutable std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  bool finished = false;
  bool connected = false;
  bool ever_connected = false;
  std::uint64_t reconnects = 0;
  std::uint64_t worked = 0, dropped = 0;
  std::chrono::steady_clock::duration tick{std::chrono::seconds(1)};
  LatestFix latest;

  bool Stopping() {
    std::lock_guard lock(mutex);
    return stop;
  }
  // Waits `delay`, or less when the receiver is stopped; true when stopped.
  bool WaitOrStop(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex);
    return wake.wait_for(lock, delay, [this] { return stop; });
  }
};

namespace {

// How long one wait for gpsd's next line lasts: the longest the thread takes
// to see that it is to stop.
constexpr int kWaitMicroseconds = 500'000;

// gpsd on another machine may vanish without closing the connection (the
// network goes, or the machine): TCP keep-alive probes find that out in
// about 5 + 3 x 2 s, where the system's default waits two hours. A local
// gpsd that ends closes the connection, which is seen at once.
void KeepAlive(int fd) {
  const int on = 1, idle = 5, interval = 2, count = 3;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

// The report in gpsd's latest message, when it was a position report.
std::optional<GpsReport> ReportOf(const gps_data_t& data) {
  if ((data.set & MODE_SET) == 0) return std::nullopt;
  GpsReport report;
  report.mode = static_cast<FixMode>(std::clamp(data.fix.mode, MODE_NOT_SEEN, MODE_3D));
  report.latitude = data.fix.latitude;
  report.longitude = data.fix.longitude;
  if (std::isfinite(data.fix.speed)) report.speed_mps = data.fix.speed;
  report.arrived = std::chrono::steady_clock::now();
  return report;
}

// gpsd's lines are read as bytes and only the position reports (class
// TPV) among them are looked at, at most one a tick: the newest held until
// the tick's turn, the others dropped and counted. At most kBytesPerTick
// are read a tick; more waits in the socket. So a flood of reports, from a
// receiver gone wild or from a program posing as gpsd, costs a few reads a
// tick instead of a parse each, and the plug-in, which asks once a tick,
// misses nothing it would have used. A real receiver sends 1 to 10
// reports a second, a few KiB.
constexpr std::size_t kBytesPerTick = 64 * 1024;
constexpr std::size_t kLongestLine = 16 * 1024;  // longer lines are skipped

bool IsPositionReport(std::string_view line) {
  return line.substr(0, 64).find("\"class\":\"TPV\"") != std::string_view::npos;
}

void WorkOn(GpsdReceiver::Shared& shared, gps_data_t& data, std::string& line) {
  data.set = 0;
  if (gps_unpack(line.data(), &data) < 0) return;
  if (const std::optional<GpsReport> report = ReportOf(data)) {
    std::lock_guard lock(shared.mutex);
    shared.latest.Observe(*report);
    ++shared.worked;
  }
}

// Reads gpsd's messages until the connection ends or the receiver stops.
void Listen(GpsdReceiver::Shared& shared, gps_data_t& data) {
  using Clock = std::chrono::steady_clock;
  const int fd = data.gps_fd;
  std::string pending, held;  // a line begun; the newest report not yet worked on
  bool skipping = false;      // inside a line too long to keep
  Clock::time_point next_work = Clock::now(), window_end = Clock::now();
  std::size_t read_in_window = 0;
  char piece[16 * 1024];
  while (!shared.Stopping()) {
    auto now = Clock::now();
    if (!held.empty() && now >= next_work) {
      WorkOn(shared, data, held);
      held.clear();
      next_work = now + shared.tick;
    }
    if (now >= window_end) {
      window_end = now + shared.tick;
      read_in_window = 0;
    }
    // Wait for bytes while the tick's share is not read, else for the
    // tick's end; a held report is worked on at its turn.
    const bool may_read = read_in_window < kBytesPerTick;
    auto until = now + std::chrono::microseconds(kWaitMicroseconds);
    if (!may_read) until = std::min(until, window_end);
    if (!held.empty()) until = std::min(until, next_work);
    const int timeout = static_cast<int>(
        std::chrono::ceil<std::chrono::milliseconds>(std::max(until - now, Clock::duration::zero())).count());
    pollfd wait{fd, static_cast<short>(may_read ? POLLIN : 0), 0};
    const int ready = ::poll(&wait, 1, timeout);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0 || !may_read) continue;
    const ssize_t got = ::recv(fd, piece, std::min(sizeof piece, kBytesPerTick - read_in_window), MSG_DONTWAIT);
    if (got == 0) return;  // gpsd closed the connection
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return;  // it broke
    }
    read_in_window += static_cast<std::size_t>(got);
    now = Clock::now();
    std::string_view bytes(piece, static_cast<std::size_t>(got));
    for (std::size_t end = bytes.find('\n'); !bytes.empty(); end = bytes.find('\n')) {
      if (end == std::string_view::npos) {
        if (!skipping && pending.size() + bytes.size() <= kLongestLine) {
          pending.append(bytes);
        } else {
          skipping = true;
          pending.clear();
        }
        break;
      }
      if (!skipping) {
        pending.append(bytes.substr(0, end));
        if (IsPositionReport(pending)) {
          std::lock_guard lock(shared.mutex);
          if (!held.empty()) ++shared.dropped;
          held.swap(pending);
        }
      }
      pending.clear();
      skipping = false;
      bytes.remove_prefix(end + 1);
    }
    if (!held.empty() && now >= next_work) {
      WorkOn(shared, data, held);
      held.clear();
      next_work = now + shared.tick;
    }
  }
}

void Run(const std::shared_ptr<GpsdReceiver::Shared>& shared) {
  std::chrono::milliseconds retry = shared->first_retry;
  while (!shared->Stopping()) {
    gps_data_t data{};
    if (gps_open(shared->host.c_str(), shared->port.c_str(), &data) == 0) {
      if (gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr) == 0) {
        KeepAlive(data.gps_fd);
        {
          std::lock_guard lock(shared->mutex);
          shared->connected = true;
          if (shared->ever_connected) ++shared->reconnects;
          shared->ever_connected = true;
        }
        retry = shared->first_retry;
        Listen(*shared, data);
      }
      gps_close(&data);
      std::lock_guard lock(shared->mutex);
      shared->connected = false;
      shared->latest.Forget();
    }
    if (shared->WaitOrStop(retry)) break;
    retry = std::min<std::chrono::milliseconds>(retry * 2, shared->longest_retry);
  }
  std::lock_guard lock(shared->mutex);
  shared->finished = true;
  shared->wake.notify_all();
}

}  // namespace

namespace {

std::chrono::milliseconds HostWait(std::chrono::milliseconds wait, double speedup) {
  constexpr std::chrono::milliseconds kShortest{20};
  const auto scaled = std::chrono::milliseconds(static_cast<long long>(wait.count() / std::max(speedup, 1.0)));
  return std::max(scaled, kShortest);
}

}  // namespace

GpsdReceiver::GpsdReceiver(std::string host, std::string port, double speedup) : shared_(std::make_shared<Shared>()) {
  shared_->host = std::move(host);
  shared_->port = std::move(port);
  shared_->first_retry = HostWait(kFirstRetry, speedup);
  shared_->longest_retry = HostWait(kLongestRetry, speedup);
  shared_->tick = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(1.0 / std::max(speedup, 1.0)));
}

GpsdReceiver::~GpsdReceiver() { Stop(); }

void GpsdReceiver::Start() {
  thread_ = std::thread([shared = shared_] { Run(shared); });
}

void GpsdReceiver::Stop() {
  if (!thread_.joinable()) return;
  bool finished;
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
    finished = shared_->wake.wait_for(lock, std::chrono::seconds(2), [this] { return shared_->finished; });
  }
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

GpsState GpsdReceiver::State() const {
  std::lock_guard lock(shared_->mutex);
  return {shared_->connected, shared_->latest.fix(), shared_->reconnects, shared_->worked, shared_->dropped};
}

}  // namespace trezik::live
