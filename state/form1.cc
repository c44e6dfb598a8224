#include "state/form1.h"

#include <chrono>
#include <cmath>

#include "contract/names.h"
#include "core/convert.h"

namespace trezik {
namespace {

// The thread's state holder: the one piece of per-thread state of the plug-in.
// A plain pointer, so that nothing of ours runs when the thread ends: the
// Windows build's thread-local storage is emulated (mingw-w64's emutls), and
// the emulation frees an ending thread's slots before the C++ runtime runs
// the thread_local destructors, which would then read freed memory (an
// owning pointer there deleted whatever the freed slot held). Unload deletes
// the instance; one left by a thread that ends without it is the host's to
// reclaim (the DLL does so from its thread-detach notification, see
// com/module_life.h). ~Form1 makes no window call: the system destroys an
// ended thread's window and timer itself.
thread_local Form1* thread_form = nullptr;

}  // namespace

Form1& Form1::Get() {
  if (thread_form == nullptr) {
    thread_form = new Form1(CurrentPlatform());
    // The timer goes on once the instance is reachable, so a tick finds it.
    thread_form->set_timer1_enabled(true);
  }
  return *thread_form;
}

Form1* Form1::Existing() { return thread_form; }

bool Form1::Unload() {
  if (thread_form == nullptr) return true;
  Form1& form = *thread_form;
  // A caller further up this thread's stack still holds the state (a reply
  // handler of the host released the plug-in inside a send): it stays.
  if (form.busy_ > 0) return false;
  // Unload: the window gets its own procedure back before anything else.
  if (form.PrevWndProc != 0) {
    form.platform_.SetWindowProc(form.hwnd_, form.PrevWndProc);
    form.PrevWndProc = 0;
  }
  form.set_timer1_enabled(false);
  // Termination: the final save, then the window goes.
  if (form.handlers_.final_save != nullptr) form.handlers_.final_save(form);
  if (form.hwnd_ != 0) form.platform_.DestroyWindow(form.hwnd_);
  form.hwnd_ = 0;
  thread_form = nullptr;
  delete &form;
  return true;
}

Form1::Form1(Platform& platform) : platform_(platform), decimal_mark_(platform.DecimalMark()) {
  hwnd_ = platform_.CreateHiddenWindow(kPluginId, &Form1::WindowProcedure);
}

// No window call here: see thread_form. Unload destroys the window.
Form1::~Form1() = default;

void Form1::set_timer1_enabled(bool enabled) {
  if (enabled == timer1_enabled_) return;
  timer1_enabled_ = enabled;
  if (hwnd_ == 0) return;
  if (enabled) {
    platform_.SetTimer(hwnd_, kTimer1Id, kTimer1IntervalMs);
  } else {
    platform_.KillTimer(hwnd_, kTimer1Id);
  }
}

double Form1::Number(const std::string& text) const { return TextToDouble(text, decimal_mark_); }

std::string Form1::Text(double value) const { return DoubleToText(value, decimal_mark_); }

Form1::ClockReading Form1::ReadClock() const {
  using namespace std::chrono;
  const LocalTime now = platform_.Now();
  const sys_days date{year{now.year} / month{static_cast<unsigned>(now.month)} / day{static_cast<unsigned>(now.day)}};
  return {date.time_since_epoch().count(), ToInt32(now.seconds_since_midnight)};
}

void Form1::NoteTripStart() {
  const ClockReading now = ReadClock();
  startdate = now.seconds;
  trip_start_day_ = now.day;
}

std::int32_t Form1::TripSeconds() const {
  constexpr std::int32_t kSecondsPerDay = 86400;
  const ClockReading now = ReadClock();
  std::int32_t elapsed = now.seconds - startdate;
  // startdate holds no date: a trip that began before midnight began yesterday.
  const bool crossed_midnight = elapsed < 0;
  if (crossed_midnight) elapsed += kSecondsPerDay;
  // The whole days beyond that, by the day the trip's time started on. A
  // clock set back to an earlier day adds none: the time of day alone rules.
  if (trip_start_day_) {
    const std::int64_t whole_days = now.day - *trip_start_day_ - (crossed_midnight ? 1 : 0);
    if (whole_days > 0) elapsed = ToInt32(static_cast<double>(elapsed) + static_cast<double>(whole_days) * kSecondsPerDay);
  }
  return elapsed;
}

// Nothing may leave a window procedure (user32 cannot pass an exception on;
// the front end would end): a handler that fails has done what it could.
std::intptr_t TREZIK_CALLBACK Form1::WindowProcedure(WindowHandle window, std::uint32_t message,
                                                     std::uintptr_t wparam, std::intptr_t lparam) {
  try {
    Form1* form = Existing();
    if (form != nullptr && form->hwnd_ == window) {
      if (message == kWmTimer && wparam == kTimer1Id) {
        if (form->timer1_enabled_ && form->handlers_.timer1 != nullptr) {
          const Busy busy(*form);
          form->handlers_.timer1(*form);
        }
        return 0;
      }
      if (message == kWmEndSession && wparam != 0) {
        // Windows is ending the session (the car PC shuts down): save the
        // meters now, as no teardown may follow.
        if (form->handlers_.final_save != nullptr) form->handlers_.final_save(*form);
        return 0;
      }
    }
    Platform& platform = form != nullptr ? form->platform_ : CurrentPlatform();
    return platform.DefaultWindowProc(window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

}  // namespace trezik
