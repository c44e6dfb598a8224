#include "tools/live/dashboard.h"

#include <algorithm>

#include "core/convert.h"

namespace trezik::live {

const char* GpsStatusText(GpsStatus status) {
  switch (status) {
    case GpsStatus::kFix: return "fix";
    case GpsStatus::kNoFix: return "no fix";
    case GpsStatus::kNoGps: return "no gps";
  }
  return "no gps";
}

const std::vector<std::string>& DashboardLabels() {
  static const std::vector<std::string> labels = {
      "tripmeter", "triptotal", "workmeter", "avspeed", "maxspeed", "mpg", "trezik_costperdist",
      "fuelunits", "trezik_unitprice", "speedunits", "volunits", "consumpunits", "trezik_distunit"};
  return labels;
}

bool IsPluginCommand(std::string_view name) {
  static const std::vector<std::string> commands = [] {
    std::vector<std::string> all = {"resettrip", "resettotal", "resetwork", "logwork", "logtrip",
                                    "updatetrip", "updateini", "savetrip", "trezik_.", "trezik_clr",
                                    "trezik_p.", "trezik_pclr", "trezik_ok"};
    for (char digit = '0'; digit <= '9'; ++digit) {
      all.push_back(std::string("trezik_") + digit);
      all.push_back(std::string("trezik_p") + digit);
    }
    return all;
  }();
  const std::string lower = ToLowerAscii(name);
  return std::find(commands.begin(), commands.end(), lower) != commands.end();
}

Snapshot Dashboard::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

std::optional<Snapshot> Dashboard::WaitNewer(std::uint64_t version, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  if (!published_.wait_for(lock, timeout, [&] { return closed_ || latest_.version > version; })) return std::nullopt;
  if (latest_.version <= version) return std::nullopt;
  return latest_;
}

CommandAnswer Dashboard::Press(std::string command, std::chrono::milliseconds timeout) {
  auto pending = std::make_shared<PendingCommand>();
  pending->command = std::move(command);
  std::future<CommandAnswer> answer = pending->answer.get_future();
  {
    std::lock_guard lock(mutex_);
    if (closed_) return {503, std::nullopt, "trezik-live is stopping"};
    queue_.push_back(pending);
  }
  commands_waiting_.notify_all();
  if (answer.wait_for(timeout) == std::future_status::ready) return answer.get();
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find(queue_.begin(), queue_.end(), pending);
    if (it != queue_.end()) {
      queue_.erase(it);
      return {503, std::nullopt, "the plug-in did not take the command in time"};
    }
  }
  // Taken already: it is being carried out, and its answer comes.
  return answer.get();
}

void Dashboard::Publish(Snapshot snapshot) {
  {
    std::lock_guard lock(mutex_);
    snapshot.version = latest_.version + 1;
    latest_ = std::move(snapshot);
  }
  published_.notify_all();
}

std::vector<std::shared_ptr<PendingCommand>> Dashboard::TakeCommands(std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  commands_waiting_.wait_until(lock, until, [&] { return closed_ || !queue_.empty(); });
  std::vector<std::shared_ptr<PendingCommand>> taken(queue_.begin(), queue_.end());
  queue_.clear();
  return taken;
}

void Dashboard::Close() {
  std::deque<std::shared_ptr<PendingCommand>> left;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    left.swap(queue_);
  }
  for (auto& pending : left) pending->answer.set_value({503, std::nullopt, "trezik-live is stopping"});
  published_.notify_all();
  commands_waiting_.notify_all();
}

bool Dashboard::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace trezik::live
