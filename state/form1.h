// Form1: the hidden state holder. One per thread, created on first use by
// Form1::Get(); every PWExtension object on the thread shares it. It owns a
// hidden window titled "trezik" (replies from the host arrive there, and it
// carries Timer1), the seven text fields, and the sixteen variables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "contract/settings.h"
#include "platform/platform.h"
#include "state/fuel_carry.h"
#include "state/state_file_status.h"
#include "state/trip_filter.h"

namespace trezik {

class Form1 {
 public:
  // The calling thread's instance, created with its window and start values
  // when there is none.
  static Form1& Get();
  // The calling thread's instance, or nullptr; never creates one. It is
  // only reachable from its own thread, and only while the thread runs: a
  // thread's end runs nothing of Form1's (see state/form1.cc).
  static Form1* Existing();
  // Tears the thread's instance down: the unload puts the window's own
  // procedure back in place of the reply hook, the termination runs the
  // final-save handler, then the window goes. Refused (false, nothing done)
  // while the instance is busy.
  static bool Unload();

  // Held around every call that can send to the host: the host may answer
  // by releasing the plug-in, and the state must outlive the caller that
  // holds it across the send.
  class Busy {
   public:
    explicit Busy(Form1& form) : form_(form) { ++form_.busy_; }
    ~Busy() { --form_.busy_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Form1& form_;
  };
  bool busy() const { return busy_ > 0; }

  // What Timer1 and the end of the plug-in's life do. The tick and the save
  // rule live in the layers above this one (the trip engine, the plug-in),
  // which hand them over when the plug-in starts; the state holder only
  // calls them, so its folder needs nothing from above. Without handlers a
  // tick or an end of session does nothing.
  struct Handlers {
    void (*timer1)(Form1& form) = nullptr;
    // At teardown and when Windows ends the session. Must not throw: there
    // is no caller left to hear of a failure.
    void (*final_save)(Form1& form) = nullptr;
  };
  void set_handlers(const Handlers& handlers) { handlers_ = handlers; }

  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  // Frees the state and makes no window call. Unload calls it; besides, the
  // host of the plug-in deletes an instance whose thread ended without
  // Unload (the thread's window and timer are already gone with it).
  ~Form1();

  // Text fields: numbers as text, converted on every use.
  std::string workmeter = "0";
  std::string trip_total = "0";
  std::string distance = "0";
  std::string prevlon = "prevlon";
  std::string prevlat = "prevlat";
  std::string gpslon = "gpslon";
  std::string gpslat = "gpslat";

  // Public variables, in declaration order.
  std::int32_t startdate = 0;
  std::string city;
  std::string pwpath;
  bool workbool = false;
  bool metric_units = false;
  double multiplier = 0.0;
  double maxspeed = 0.0;
  double litres = 0.0;
  double price = 0.0;
  double priceperkm = 0.0;
  double litres_per_100km = 0.0;
  double mpg = 0.0;
  std::string myosk;
  std::string myosk2;
  std::int16_t dp = 0;
  std::string trezikdir;

  // The window procedure the reply hook replaced; 0 while no hook is in place.
  std::intptr_t PrevWndProc = 0;

  // Beside the design's state, each addition is a small type with one
  // writer, which alone reaches it to write through the function named
  // beside it; everyone else reads. Those functions are declared here but
  // defined in the writer's own file, most of them in a layer above this
  // one (plugin/startup.cc, hostlink/reply_parser.cc, trip/engine.cc): the
  // state holder knows no more of its writers than their names.
  // The options of "trezik.ini": start-up (plugin/startup.cc).
  const PluginOptions& options() const { return options_; }
  friend PluginOptions& OptionsToWrite(Form1& form);
  // The meters towards "tripmeter.ini": the state file (state/state_file.cc).
  const StateFileStatus& state_file() const { return state_file_; }
  friend StateFileStatus& StateFileToWrite(Form1& form);
FuelCarry& FuelCarryToWrite(Form1& form);
  // What a fill-up carries to the next: the fuel carry file
  // (state/fuel_carry_file.cc).
  const FuelCarry& fuel_carry() const { return fuel_carry_; }
  friend FuelCarry& FuelCarryToWrite(Form1& form);
  // Which fuel figures were worked out: the fuel keypad (plugin/fuel_keypad.cc).
  const WorkedFigures& worked_figures() const { return worked_figures_; }
  friend WorkedFigures& WorkedFiguresToWrite(Form1& form);
  // The host's latest speed: the host link (hostlink/reply_parser.cc).
  const ReportedSpeed& reported_speed() const { return reported_speed_; }
  friend ReportedSpeed& ReportedSpeedToWrite(Form1& form);
  // The standstill filter: the trip engine (trip/engine.cc).
  const TripFilterState& trip_filter() const { return trip_filter_; }
  friend TripFilterState& TripFilterToWrite(Form1& form);

  // Timer1: 1000 ms, enabled at creation.
  bool timer1_enabled() const { return timer1_enabled_; }
  void set_timer1_enabled(bool enabled);
  static constexpr std::uintptr_t kTimer1Id = 1;
  static constexpr std::uint32_t kTimer1IntervalMs = 1000;

  // The hidden window.
  WindowHandle hwnd() const { return hwnd_; }

  // Conversions in the user's number format, which is read once when the
  // instance is created.
  char decimal_mark() const { return decimal_mark_; }
  double Number(const std::string& text) const;  // throws kTypeMismatch
  std::string Text(double value) const;

  // One reading of the local clock: the day (days since 1970-01-01 on the
  // local calendar) and the time of day in whole seconds since midnight,
  // halves to even.
  struct ClockReading {
    std::int64_t day = 0;
    std::int32_t seconds = 0;
  };
  ClockReading ReadClock() const;
  // Starts the trip's time now: startdate, and the day it falls on, from one
  // reading of the clock (start-up, "resettrip", "resettotal", a fill-up).
  void NoteTripStart();
  // The day the trip's time started on, beside startdate, which holds no
  // date; none until NoteTripStart. Like the trip meter it lives in memory
  // only: every start-up starts the trip anew.
  std::optional<std::int64_t> trip_start_day() const { return trip_start_day_; }
  // The seconds the trip has lasted, as "avspeed" and "trezik_triptime" count
  // them: the time of day since startdate, an earlier time of day read as the
  // next day's, plus the whole days beyond that since trip_start_day. A
  // clock set back to an earlier day adds none. Throws kOverflow beyond a
  // 32-bit integer.
  std::int32_t TripSeconds() const;

  // Writes the meters to "tripmeter.ini" (state_file.cc); throws the file
  // error when the save fails, leaving the old file whole. While start-up
  // could not read the file, it is read first, and a read that still fails
  // fails the save: it never writes over the driver's meters.
  void UpdateINI();

 private:
  explicit Form1(Platform& platform);
  static std::intptr_t TREZIK_CALLBACK WindowProcedure(WindowHandle window, std::uint32_t message,
                                                       std::uintptr_t wparam, std::intptr_t lparam);

  Platform& platform_;
  char decimal_mark_;
  WindowHandle hwnd_ = 0;
  bool timer1_enabled_ = false;
  Handlers handlers_;
  int busy_ = 0;
  PluginOptions options_;
  StateFileStatus state_file_;
  FuelCarry fuel_carry_;
  WorkedFigures worked_figures_;
  ReportedSpeed reported_speed_;
  TripFilterState trip_filter_;
  std::optional<std::int64_t> trip_start_day_;
};

PluginOptions& OptionsToWrite(Form1& form);
StateFileStatus& StateFileToWrite(Form1& form);
FuelCarry& FuelCarryToWrite(Form1& form);
WorkedFigures& WorkedFiguresToWrite(Form1& form);
ReportedSpeed& ReportedSpeedToWrite(Form1& form);
TripFilterState& TripFilterToWrite(Form1& form);

}  // namespace trezik
