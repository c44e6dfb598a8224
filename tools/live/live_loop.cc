#include "tools/live/live_loop.h"

#include <optional>
#include <ostream>

#include "contract/names.h"
#include "contract/vocabulary.h"
#include "tools/live/tick_clock.h"

namespace trezik::live {
namespace {

class Loop {
 public:
  explicit Loop(LoopParts parts) : p_(parts) {}

  void Run() {
    Publish();
    TickClock clock(std::chrono::steady_clock::now(), p_.period);
    while (!p_.dashboard.closed()) {
      // Commands taken are carried out even when the dashboard closes
      // meanwhile: their senders wait for the answer.
      for (const auto& pending : p_.dashboard.TakeCommands(clock.next())) {
        NameRoad();
        pending->answer.set_value(p_.session.Command(pending->command));
        Publish();
      }
      if (p_.dashboard.closed()) break;
      const auto now = std::chrono::steady_clock::now();
      if (now < clock.next()) continue;
      Tick();
      clock.Advance(std::chrono::steady_clock::now());
    }
  }

 private:
  void Tick() {
    NameRoad();
    p_.session.Tick();
    if (p_.recorder != nullptr) {
      const bool handed = p_.rules.Fresh(state_.fix, std::chrono::steady_clock::now());
      p_.recorder->Tick(p_.session.HostTime(), handed ? state_.fix : std::nullopt, p_.session.log_appends());
    }
    // A failure is noted by the session's platform, as for every save.
    if (p_.save_every_ticks > 0 && ++ticks_ >= p_.save_every_ticks) {
      ticks_ = 0;
      if (p_.session.MetersChangedSinceFile()) p_.session.Command(std::string(vocabulary::NameOf(vocabulary::Command::kUpdateIni)));
    }
    Publish();
  }

  // The host names the nearest place within reach of the latest fresh fix,
  // and none without a fix.
  void NameRoad() {
    state_ = p_.receiver.State();
    const Place* place = nullptr;
    if (p_.rules.Fresh(state_.fix, std::chrono::steady_clock::now())) {
      place = p_.places.Nearest(state_.fix->latitude, state_.fix->longitude);
    }
    p_.session.SetRoad(place != nullptr ? &place->name : nullptr);
    place_ = place != nullptr ? std::optional<std::string>(place->name) : std::nullopt;
    // Why gpsd cannot be reached: told once, and again when the cause changes.
    if (state_.unreached != told_unreached_) {
      if (!state_.unreached.empty()) p_.log << "trezik-live: " << state_.unreached << "\n" << std::flush;
      told_unreached_ = state_.unreached;
    }
    if (state_.connected != connected_) {
      p_.log << (state_.connected ? "trezik-live: gpsd connected\n"
                                  : "trezik-live: gpsd is gone; connecting again\n")
             << std::flush;
      connected_ = state_.connected;
    }
    // A flood is told once a minute at most, with its count.
    const auto now = std::chrono::steady_clock::now();
    if (state_.dropped > told_dropped_ && (!told_at_ || now - *told_at_ >= std::chrono::minutes(1))) {
      p_.log << "trezik-live: gpsd sends more than one fix a tick: " << state_.dropped - told_dropped_
             << " passed over" << (told_at_ ? " in the last minute" : "") << "\n" << std::flush;
      told_dropped_ = state_.dropped;
      told_at_ = now;
    }
  }

  void Publish() {
    const GpsState state = p_.receiver.State();
    const auto now = std::chrono::steady_clock::now();
    Snapshot snapshot = p_.session.Read(p_.rules.Status(state.connected, state.fix, now));
    snapshot.speed = p_.rules.PageSpeed(state.fix, now);
    snapshot.place = place_;
    if (!p_.state_file_problem.empty()) snapshot.problems.push_back(p_.state_file_problem);
    const SaveRecord& saves = p_.session.saves();
    if (saves.failing) {
      snapshot.problems.push_back("The meters could not be saved (" + saves.last_error +
                                  "): a power cut now loses what was driven since the last save. "
                                  "trezik-live tries again.");
    }
    if (saves.failing != told_failing_) {
      p_.log << (saves.failing ? "trezik-live: the meters could not be saved to tripmeter.ini: " + saves.last_error
                               : std::string("trezik-live: the meters are saved again"))
             << "\n" << std::flush;
      told_failing_ = saves.failing;
    }
    const SaveRecord& carry = p_.session.carry_saves();
    if (carry.failing) {
      snapshot.problems.push_back("What the partial fill-ups carry to the next full tank could not be saved (" +
                                  carry.last_error +
                                  "): a power cut now loses it. The plug-in tries again at the next key of "
                                  "the fill-up keypad and at the end.");
    }
    if (carry.failing != told_carry_failing_) {
      p_.log << "trezik-live: " << kFuelCarryFileName
             << (carry.failing ? " could not be written: " + carry.last_error : std::string(" is written again"))
             << "\n" << std::flush;
      told_carry_failing_ = carry.failing;
    }
    const std::string recording = p_.recorder != nullptr ? p_.recorder->problem() : "";
    if (!recording.empty()) snapshot.problems.push_back(recording);
    if (recording != told_recording_) {
      p_.log << "trezik-live: " << (recording.empty() ? "the drive is recorded again" : recording) << "\n" << std::flush;
      told_recording_ = recording;
    }
    // The files first: gpsd's absence the page's status line says as well.
    if (!state.unreached.empty()) snapshot.problems.push_back(state.unreached);
    p_.dashboard.Publish(std::move(snapshot));
  }

  LoopParts p_;
  GpsState state_;
  bool connected_ = false;
  bool told_failing_ = false;
  bool told_carry_failing_ = false;
  std::string told_unreached_;
  std::optional<std::string> place_;
  std::string told_recording_;
  int ticks_ = 0;
  std::uint64_t told_dropped_ = 0;
  std::optional<std::chrono::steady_clock::time_point> told_at_;
};

}  // namespace

void RunLiveLoop(LoopParts parts) { Loop(parts).Run(); }

}  // namespace trezik::live
