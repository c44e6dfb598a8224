// Form1: the hidden state holder. One per thread, created on first use by
// Form1::Get(); every PWExtension object on the thread shares it. It owns a
// hidden window titled "trezik" (replies from the host arrive there, and it
// carries Timer1), the seven text fields, and the sixteen variables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace trezik {

class Form1 {
 public:
  // The calling thread's instance, created with its window and start values
  // when there is none.
  static Form1& Get();
  // The calling thread's instance, or nullptr; never creates one.
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

  // Options from "trezik.ini" for counting steps. Their defaults count every
  // step as the plug-in always has.
  struct TripOptions {
    double minspeed = 0.0;     // standstill filter in the speed unit; 0 is off
    double calibration = 1.0;  // every counted step is multiplied by it
    bool wgs84 = false;        // steps measured on the WGS84 ellipsoid
  };
  TripOptions trip_options;
  // The speed the host reported in reply to this tick's request, when it was
  // a number; read by the standstill filter.
  std::optional<double> reported_speed;
  // While the standstill filter holds, the last counted fix stays in
  // prevlat/prevlon as the anchor of the next counted step.
  bool holding_anchor = false;

  // How the meters stand towards "tripmeter.ini" (state_file.cc).
  struct StateFileStatus {
    // Start-up read the meters from the file, or found none. Until then the
    // meters are start values, and no automatic save may write them over a
    // file that may hold the driver's total.
    bool loaded = false;
    // Start-up found the file but could not read it: the meters count this
    // session from their start values, and every save reads the file first.
    bool load_pending = false;
    // While the read is pending, the session set the total or the work
    // meter anew: a late read keeps the session's value of that meter.
    bool total_set = false;
    bool work_set = false;
    // A file whose meters did not read as two numbers, kept as
    // "tripmeter.ini.bad" before the first save over it.
    std::optional<std::string> unreadable_content;
    // What the file holds as far as the plug-in knows; a save that would
    // write the same is skipped by the automatic saves.
    std::string saved_content;
    // Autosave every this many seconds while the meters change; 0 is off.
    int autosave_seconds = 0;
    int seconds_since_save = 0;
  };
  StateFileStatus state_file;

  // Timer1: 1000 ms, enabled at creation.
  bool timer1_enabled() const { return timer1_enabled_; }
  void set_timer1_enabled(bool enabled);
  static constexpr std::uintptr_t kTimer1Id = 1;
  static constexpr std::uint32_t kTimer1IntervalMs = 1000;

  // The hidden window.
  WindowHandle hwnd() const { return hwnd_; }
  Platform& platform() const { return platform_; }

  // Conversions in the user's number format, which is read once when the
  // instance is created.
  char decimal_mark() const { return decimal_mark_; }
  double Number(const std::string& text) const;  // throws kTypeMismatch
  std::string Text(double value) const;

  // The time of day now in whole seconds since midnight, halves to even.
  std::int32_t SecondsSinceMidnightNow() const;

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
};

}  // namespace trezik
