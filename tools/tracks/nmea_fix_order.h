// The fixes of an NMEA log in time order, taken in the order of the file:
// dated by the RMC and ZDA sentences around them, put back in place when a
// sentence comes up to a second late, and a later capture appended with
// earlier times named and left out.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/tracks/appended_capture.h"
#include "tools/tracks/civil_time.h"
#include "tools/tracks/drive.h"
#include "tools/tracks/nmea_fields.h"

namespace trezik::drive::nmea {

// How late a sentence may come and still be put back in time order.
inline constexpr double kOutOfOrderSeconds = 1.0;

class FixOrder {
 public:
  FixOrder(DamageTally& tally, bool strict) : tally_(tally), strict_(strict) {}

  // An RMC fix (dated by its own date) or a GGA fix (dated by the date read
  // last, stepping to the next day when the time of day falls back by more
  // than twelve hours; the GGA fixes before the first date get it when it
  // comes). At a time that has a fix, RMC wins over GGA and a repeated RMC
  // is left out.
  void TakeFix(SentenceFix entry, bool is_rmc);
  // The date and time of a ZDA sentence.
  void TakeDate(const CivilDate& date, double seconds_of_day);

  bool empty() const { return fixes_.empty(); }
  // The fixes into drive.fixes, in time order; dated 2000-01-01, and
  // drive.date_assumed set, when no sentence gave a date. Adds the notes on
  // what was left out, filled, put back in order or assumed.
  void Finish(Drive& drive);

 private:
  // Fixes going back more than kOutOfOrderSeconds one after the other: damaged
  // times, or the start of an appended capture once there are enough.
  struct BackRun {
    int first_line = 0;
    double back_s = 0.0;    // of its first fix, from the latest fix kept
    int latest_line = 0;    // of that fix
    double last_time = 0.0;  // of its latest fix
    std::size_t fixes = 0;
    int last_line = 0;
    std::vector<std::pair<int, std::string>> faults;  // line and what of its first few
  };

  void StepDay(double seconds_of_day);
  void SetDate(const CivilDate& date);
  // False when the fix is left out for one at its time.
  bool Insert(const Fix& fix, bool is_rmc);
  void GoesBack(const Fix& fix);
  bool Capture() const;  // the run so far looks like an appended capture
  bool Continues(const Fix& fix) const;  // the fix goes on with the run
  void FlushBackRun(bool at_end = false);

  DamageTally& tally_;
  bool strict_;
  std::deque<Fix> fixes_;  // in chunks: a long log grows them without copies
  std::deque<bool> rmc_;   // per fix: read from an RMC sentence
  std::optional<Fix> latest_;  // the latest fix kept
  std::optional<CivilDate> date_;  // of the RMC or ZDA read last, stepped across midnights
  double last_seconds_ = -1;  // the time of day read last
  int undated_days_ = 0;      // midnights crossed before the first date
  std::optional<BackRun> back_run_;
  std::optional<BackRun> appended_;  // the capture appended, found at the end
  std::size_t rmc_count_ = 0, zda_count_ = 0, repeated_ = 0, filled_ = 0, reordered_ = 0;
};

}  // namespace trezik::drive::nmea
