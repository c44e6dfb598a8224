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
#include <memory>
#include <mutex>
#include <string_view>

#include "tools/live/gpsd_reach.h"

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
  std::string unreached;  // why the latest connection failed; empty once one is made
  std::uint64_t reconnects = 0;
  std::uint64_t worked = 0, dropped = 0;
  std::chrono::steady_clock::duration tick{std::chrono::seconds(1)};
  LatestFix latest;
  // The newest position report not yet worked on, as gpsd wrote it, and
  // when it came; the latest worked on, when.
  std::string report;
  std::chrono::steady_clock::time_point report_arrived, last_work;
  bool has_report = false, ever_worked = false;

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

// gpsd's lines are read as bytes, and of the position reports (class TPV)
// among them only the newest is kept as it came, unparsed; it is worked on
// (parsed and taken as the fix) when the plug-in's thread asks for the
// state, which it does every tick, and at most once in 9/10 of a tick. The
// reports that no one worked on are dropped and counted. At most
// kBytesPerTick are read a tick; more waits in the socket. So a flood of
// reports, from a receiver gone wild or a program posing as gpsd, costs a
// few reads a tick instead of a parse each, and the plug-in misses nothing
// it would have used, with no delay. A real receiver sends 1 to 10 reports
// a second, a few KiB.
constexpr std::size_t kBytesPerTick = 64 * 1024;
constexpr std::size_t kLongestLine = 16 * 1024;  // longer lines are skipped

bool IsPositionReport(std::string_view line) {
  return line.substr(0, 64).find("\"class\":\"TPV\"") != std::string_view::npos;
}

// Reads gpsd's messages until the connection ends or the receiver stops.
void Listen(GpsdReceiver::Shared& shared, gps_data_t& data) {
  using Clock = std::chrono::steady_clock;
  const int fd = data.gps_fd;
  std::string pending, newest;  // a line begun; the piece's newest report
  bool skipping = false;        // inside a line too long to keep
  Clock::time_point window_end = Clock::now();
  std::size_t read_in_window = 0;
  char piece[16 * 1024];
  while (!shared.Stopping()) {
    const auto now = Clock::now();
    if (now >= window_end) {
      window_end = now + shared.tick;
      read_in_window = 0;
    }
    // Waits for bytes while the tick's share is not read, else for the
    // tick's end.
    const bool may_read = read_in_window < kBytesPerTick;
    auto until = now + std::chrono::microseconds(kWaitMicroseconds);
    if (!may_read) until = std::min(until, window_end);
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
    std::uint64_t reports = 0;
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
          ++reports;
          newest.swap(pending);
        }
      }
      pending.clear();
      skipping = false;
      bytes.remove_prefix(end + 1);
    }
    if (reports == 0) continue;
    std::lock_guard lock(shared.mutex);
    shared.dropped += reports - 1 + (shared.has_report ? 1 : 0);
    shared.report.swap(newest);
    shared.report_arrived = Clock::now();
    shared.has_report = true;
  }
}

void Run(const std::shared_ptr<GpsdReceiver::Shared>& shared) {
  std::chrono::milliseconds retry = shared->first_retry;
  while (!shared->Stopping()) {
    gps_data_t data{};
    bool opened = false;
    if (gps_open(shared->host.c_str(), shared->port.c_str(), &data) == 0) {
      if (gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr) == 0) {
        opened = true;
        KeepAlive(data.gps_fd);
        {
          std::lock_guard lock(shared->mutex);
          shared->unreached.clear();
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
      shared->has_report = false;
    }
    if (!opened) {
      std::string why;
      try {
        why = GpsdUnreached(shared->host, shared->port);
      } catch (const std::exception& error) {
        why = "no gpsd at " + shared->host + ":" + shared->port + ": " + error.what();
      }
      std::lock_guard lock(shared->mutex);
      shared->unreached = std::move(why);
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
  Shared& shared = *shared_;
  std::lock_guard lock(shared.mutex);
  const auto now = std::chrono::steady_clock::now();
  if (shared.has_report && (!shared.ever_worked || now - shared.last_work >= shared.tick * 9 / 10)) {
    shared.has_report = false;
    shared.ever_worked = true;
    shared.last_work = now;
    ++shared.worked;
    // gps_data_t is large: one for the whole run.
    static thread_local std::unique_ptr<gps_data_t> data = std::make_unique<gps_data_t>();
    *data = gps_data_t{};
    if (gps_unpack(shared.report.data(), data.get()) >= 0) {
      if (std::optional<GpsReport> report = ReportOf(*data)) {
        report->arrived = shared.report_arrived;
        shared.latest.Observe(*report);
      }
    }
  }
  return {shared.connected, shared.latest.fix(), shared.reconnects, shared.worked, shared.dropped, shared.unreached};
}

}  // namespace trezik::live
