#include "tools/tracks/nmea_fix_order.h"

#include <cmath>
#include <cstdio>

#include "tools/tracks/drive_notes.h"

namespace trezik::drive::nmea {
namespace {

long long Key(double seconds) { return std::llround(seconds * 1000.0); }  // milliseconds

double DayStart(const CivilDate& date) { return static_cast<double>(DaysFromCivil(date)) * 86400.0; }

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace

void FixOrder::StepDay(double seconds_of_day) {
  if (last_seconds_ >= 0 && seconds_of_day + 43200.0 < last_seconds_) {
    if (date_) {
      date_ = CivilFromDays(DaysFromCivil(*date_) + 1);
    } else {
      ++undated_days_;
    }
  }
  last_seconds_ = seconds_of_day;
}

// The first date dates the fixes before it: they were kept at their day
// since the start of the log (undated_days_ is the day of this one).
void FixOrder::SetDate(const CivilDate& date) {
  if (!date_) {
    const double shift = DayStart(date) - undated_days_ * 86400.0;
    for (Fix& fix : fixes_) fix.time += shift;
    if (latest_) latest_->time += shift;
    if (back_run_) back_run_->last_time += shift;
  }
  date_ = date;
}

void FixOrder::TakeDate(const CivilDate& date, double seconds_of_day) {
  ++zda_count_;
  StepDay(seconds_of_day);
  SetDate(date);
}

void FixOrder::TakeFix(SentenceFix entry, bool is_rmc) {
  StepDay(entry.seconds_of_day);
  Fix& fix = entry.fix;
  if (is_rmc) {
    ++rmc_count_;
    SetDate(*entry.date);
  } else {
    fix.time = (date_ ? DayStart(*date_) : undated_days_ * 86400.0) + entry.seconds_of_day;
  }
  if (latest_ && Key(fix.time) < Key(latest_->time) && latest_->time - fix.time <= kOutOfOrderSeconds &&
      !Capture()) {
    FlushBackRun();
    if (Insert(fix, is_rmc)) ++reordered_;
    return;
  }
  if (latest_ && (Key(fix.time) < Key(latest_->time) || (Capture() && Continues(fix)))) {
    GoesBack(fix);
    return;
  }
  FlushBackRun();
  latest_ = fix;
  Insert(fix, is_rmc);
}

bool FixOrder::Capture() const {
  return back_run_ && back_run_->fixes >= kAppendedCaptureFixes && back_run_->back_s > kAppendedCaptureBackSeconds;
}

// A fix within a minute after the run's latest one goes on with it, also
// once it has passed the latest fix of the drive.
bool FixOrder::Continues(const Fix& fix) const {
  return fix.time + kOutOfOrderSeconds >= back_run_->last_time &&
         fix.time <= back_run_->last_time + kAppendedCaptureBackSeconds;
}

// In time order, from the back: a late sentence goes back a few places.
bool FixOrder::Insert(const Fix& fix, bool is_rmc) {
  std::size_t at = fixes_.size();
  while (at > 0 && Key(fixes_[at - 1].time) > Key(fix.time)) --at;
  if (at > 0 && Key(fixes_[at - 1].time) == Key(fix.time)) {
    if (!is_rmc) return false;  // the time has a fix already
    if (rmc_[at - 1]) {
      ++repeated_;
      return false;
    }
    fixes_[at - 1] = fix;  // RMC takes the GGA's place
    rmc_[at - 1] = true;
    --filled_;
    return true;
  }
  fixes_.insert(fixes_.begin() + static_cast<std::ptrdiff_t>(at), fix);
  rmc_.insert(rmc_.begin() + static_cast<std::ptrdiff_t>(at), is_rmc);
  if (!is_rmc) ++filled_;
  return true;
}

void FixOrder::GoesBack(const Fix& fix) {
  const double back = latest_->time - fix.time;
  std::string what = "time goes back " + Seconds(back) + " s from the fix of line " + std::to_string(latest_->line);
  if (strict_) tally_.Skip(Damage::kTimeGoesBack, fix.line, what);  // throws
  // A fix that does not go on with the run before it starts a run of its
  // own; a capture takes in whatever follows it.
  if (back_run_ && !Capture() && !Continues(fix)) FlushBackRun();
  if (!back_run_) back_run_ = BackRun{fix.line, back, latest_->line, fix.time, 0, fix.line, {}};
  BackRun& run = *back_run_;
  run.last_time = std::max(run.last_time, fix.time);
  run.last_line = fix.line;
  ++run.fixes;
  if (run.faults.size() < kAppendedCaptureFixes) run.faults.emplace_back(fix.line, std::move(what));
}

// The run is over: a capture appended to the log once it ends the log,
// fixes whose time goes back when the log goes on after it.
void FixOrder::FlushBackRun(bool at_end) {
  if (!back_run_) return;
  if (at_end && Capture()) {
    appended_ = std::move(back_run_);
    back_run_.reset();
    return;
  }
  const BackRun& run = *back_run_;
  for (const auto& [line, what] : run.faults) tally_.Skip(Damage::kTimeGoesBack, line, what);
  // Past the lines a note lists, only the count matters.
  for (std::size_t i = run.faults.size(); i < run.fixes; ++i) {
    tally_.Skip(Damage::kTimeGoesBack, run.last_line, run.faults.back().second);
  }
  back_run_.reset();
}

void FixOrder::Finish(Drive& drive) {
  FlushBackRun(true);
  drive.date_assumed = !date_;
  if (!date_) {
    const double shift = DayStart(CivilDate{2000, 1, 1});
    for (Fix& fix : fixes_) fix.time += shift;
  }
  // Into a vector of the exact size: a long drive's fixes are the bulk of
  // what the simulator keeps.
  drive.fixes.reserve(fixes_.size());
  drive.fixes.assign(fixes_.begin(), fixes_.end());
  fixes_.clear();
  rmc_.clear();
  if (repeated_ > 0) {
    drive.notes.push_back(std::to_string(repeated_) + " RMC sentence(s) repeat the time of one before and are left out");
  }
  if (filled_ > 0 && rmc_count_ > 0) {
    drive.notes.push_back(std::to_string(filled_) + " GGA fix(es) fill times that have no RMC fix");
  }
  if (reordered_ > 0) {
    drive.notes.push_back(std::to_string(reordered_) + " sentence(s) came up to " + Duration(kOutOfOrderSeconds) +
                          " after a later one and are put back in time order");
  }
  if (appended_) {
    drive.notes.push_back("line " + std::to_string(appended_->first_line) +
                          " starts another capture appended to the log: its time goes back " +
                          Duration(appended_->back_s) + " from the fix of line " +
                          std::to_string(appended_->latest_line) + ", so its " + std::to_string(appended_->fixes) +
                          " fixes (lines " + std::to_string(appended_->first_line) + " to " +
                          std::to_string(appended_->last_line) +
                          ") are left out; give that part to trezik-drive as a drive of its own");
  }
  if (!date_) {
    drive.notes.push_back("no date in the log (no RMC or ZDA sentence gives one): the drive is dated 2000-01-01, "
                          "an assumed date");
  } else if (rmc_count_ == 0 && zda_count_ > 0) {
    drive.notes.push_back("dated by the log's ZDA sentences (it has no RMC)");
  }
}

}  // namespace trezik::drive::nmea
