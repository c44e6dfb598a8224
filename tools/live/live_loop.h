// The plug-in's thread in trezik-live: Timer1 ticks on the tick clock, and
// between ticks the commands the server hands over are carried out as they
// come. After every tick and every command the page's values are published
// (the labels, the host's speed, place and the plug-in's clock), with the
// problems the driver must know of: a gpsd that cannot be reached, a
// tripmeter.ini that could not be read at the start, and a save of it or a
// write of fuelcarry.ini that failed (told on the log too: gpsd's cause
// once and again when it changes, the saves when they begin to fail and
// when they succeed again). Runs until the dashboard is closed; an error
// it cannot carry on after leaves it as an exception.
//
// The plug-in's own autosave keeps the meters saved. Over a trezik.ini of
// the driver's that sets none, which is left as it is, the loop gives the
// plug-in its "updateini" every `save_every_ticks` ticks instead, when the
// meters changed since tripmeter.ini was last read or written.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "tools/live/dashboard.h"
#include "tools/live/fix_rules.h"
#include "tools/live/gpsd_receiver.h"
#include "tools/live/live_session.h"
#include "tools/live/places.h"
#include "tools/live/track_recorder.h"

namespace trezik::live {

struct LoopParts {
  LiveSession& session;
  Dashboard& dashboard;
  const GpsdReceiver& receiver;
  FixRules rules;
  const Places& places;
  std::chrono::steady_clock::duration period;  // between ticks
  std::ostream& log;                            // gpsd unreached, coming and going; failed saves
  std::string state_file_problem;               // tripmeter.ini unread at the start
  int save_every_ticks = 0;                     // 0: the plug-in autosaves
  TrackRecorder* recorder = nullptr;            // records the drive; none: --no-record
};

void RunLiveLoop(LoopParts parts);

}  // namespace trezik::live
