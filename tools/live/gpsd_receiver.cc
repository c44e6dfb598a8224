#include "tools/live/gpsd_receiver.h"

#include <gps.h>
#include <netinet/in.h>
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

// Reads gpsd's messages until the connection ends or the receiver stops.
void Listen(GpsdReceiver::Shared& shared, gps_data_t& data) {
  while (!shared.Stopping()) {
    errno = 0;
    if (!gps_waiting(&data, kWaitMicroseconds)) {
      if (errno != 0 && errno != EINTR && errno != EAGAIN) return;
      continue;
    }
    errno = 0;
    if (gps_read(&data, nullptr, 0) < 0) return;  // gpsd closed the connection, or it broke
    if (const std::optional<GpsReport> report = ReportOf(data)) {
      std::lock_guard lock(shared.mutex);
      shared.latest.Observe(*report);
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
  return {shared_->connected, shared_->latest.fix(), shared_->reconnects};
}

}  // namespace trezik::live
