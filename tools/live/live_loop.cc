#include "tools/live/live_loop.h"

#include <ostream>

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
    if (p_.saver.SaveDue()) {
      const CommandAnswer saved = p_.session.Command("updateini");
      if (saved.status != 200) p_.log << "trezik-live: the meters could not be saved: " << saved.error << "\n";
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
    if (state_.connected != connected_) {
      p_.log << (state_.connected ? "trezik-live: gpsd connected\n"
                                  : "trezik-live: gpsd is gone; connecting again\n")
             << std::flush;
      connected_ = state_.connected;
    }
  }

  void Publish() {
    const GpsState state = p_.receiver.State();
    p_.dashboard.Publish(p_.session.Read(p_.rules.Status(state.connected, state.fix, std::chrono::steady_clock::now())));
  }

  LoopParts p_;
  GpsState state_;
  bool connected_ = false;
};

}  // namespace

void RunLiveLoop(LoopParts parts) { Loop(parts).Run(); }

}  // namespace trezik::live
