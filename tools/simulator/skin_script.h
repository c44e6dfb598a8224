// The skin script: what the driver presses, and when, during a simulated
// drive. One step per line, "#" starts a comment:
//
//   before           state 583.6 0          the trip state file the plug-in
//                                           starts from: total, work meter
//   start            road Market Street     before the first tick
//   0:00             resettrip              after the tick of drive second 0
//   12:30            logwork
//   1:02:03          logtrip                hours:minutes:seconds
//   95               updateini              plain seconds
//   end              fillup 42.37 1.799     after the last tick
//   20:00            fillup 8 1.85 partial  a top-up (or "missed")
//
// Actions: the commands resettrip, resettotal, resetwork, logtrip, logwork,
// updatetrip, updateini, savetrip; "fillup QUANTITY PRICE [partial|missed]"
// (the keypad keys for both numbers, after the mark's key when one is
// given, ending with trezik_ok); "keys KEY..." (keypad keys as
// they are, e.g. "keys trezik_4 trezik_2 trezik_ok"); "command TEXT" (any
// text handed to ProcessCommand); "road NAME" (the place name the host
// reports from then on).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "contract/vocabulary.h"

namespace trezik::drive {

struct ScriptStep {
  static constexpr int kStart = -1;
  static constexpr int kEnd = -2;
  static constexpr int kBefore = -3;

  enum class Kind { kCommands, kRoad, kState };

  int second = 0;  // drive second, or kBefore / kStart / kEnd
  Kind kind = Kind::kCommands;
  // The texts handed to ProcessCommand in order (kCommands), the place name
  // (kRoad, in commands[0]), or the total and the work meter (kState).
  std::vector<std::string> commands;
  // For "fillup": the quantity and the price as written.
  std::string fill_up_quantity, fill_up_price;
  vocabulary::FillUpMark fill_up_mark = vocabulary::FillUpMark::kNone;
  std::string source;  // the step as written, for messages
  int line = 0;
};

struct Script {
  std::string path;
  std::vector<ScriptStep> steps;  // in the order they run
  // The steps due after the tick of `second`, or at before/start/end.
  std::vector<const ScriptStep*> DueAt(int second) const;
  // The latest drive second a step names (-1 when none names one).
  int LastTimedSecond() const;
};

class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& path, int line, const std::string& what);
  int line() const { return line_; }

 private:
  int line_;
};

// Parses a script; `path` only names it in errors. Steps are ordered by time
// (start first, end last), keeping file order within one time.
Script ParseScript(const std::string& text, const std::string& path);

// The keypad keys for a quantity and a price, as "fillup" presses them:
// trezik_clr, the mark's key (if any), one key per character of the
// quantity, trezik_pclr, one price key per character, trezik_ok. The numbers are written with "." as the
// keypad writes them. Throws std::invalid_argument for a text that has
// other characters than digits and one ".".
std::vector<std::string> FillUpKeys(const std::string& quantity, const std::string& price,
                                    vocabulary::FillUpMark mark = vocabulary::FillUpMark::kNone);

// The script that a drive without one gets: a trip record at the end.
Script DefaultScript();

}  // namespace trezik::drive
