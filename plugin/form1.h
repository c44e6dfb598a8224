// Form1: the hidden state holder. One per thread, created on first use by
// Form1::Get(); every PWExtension object on the thread shares it. It owns a
// hidden window titled "trezik" (replies from the host arrive there, and it
// carries Timer1), the seven text fields, and the sixteen variables.
#pragma once

#include <cstdint>
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
  // Tears the thread's instance down: the unload takes the reply hook off the
  // window, the termination saves the trip state (a failure to save is
  // swallowed: there is no caller to receive it), then the window goes.
  static void Unload();

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

  // Methods owned by the trip computation.
  void UpdateTrip();  // trip/engine.cc
  void UpdateINI();   // trip/state_file.cc
  double Arccos(double x) const;  // trip/distance.cc
  double greatcircledistance1(double origin_latitude, double destination_latitude,
                              double origin_longitude, double destination_longitude) const;

 private:
  explicit Form1(Platform& platform);
  static std::intptr_t TREZIK_CALLBACK WindowProcedure(WindowHandle window, std::uint32_t message,
                                                       std::uintptr_t wparam, std::intptr_t lparam);

  Platform& platform_;
  char decimal_mark_;
  WindowHandle hwnd_ = 0;
  bool timer1_enabled_ = false;
};

}  // namespace trezik
