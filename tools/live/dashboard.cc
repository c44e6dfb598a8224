#include "tools/live/dashboard.h"

#include <algorithm>

#include "contract/vocabulary.h"

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
  using vocabulary::Label;
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (Label label : {Label::kTripMeter, Label::kTripTotal, Label::kWorkMeter, Label::kAverageSpeed,
                        Label::kMaxSpeed, Label::kConsumption, Label::kCostPerDistance, Label::kFuelEntry,
                        Label::kUnitPrice, Label::kSpeedUnits, Label::kVolumeUnits, Label::kConsumptionUnits,
                        Label::kDistanceUnit, Label::kFillUpMark, Label::kTripTime, Label::kRange}) {
      all.emplace_back(vocabulary::NameOf(label));
    }
    return all;
  }();
  return names;
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
