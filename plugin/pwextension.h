// PWExtension: the object the host creates and calls. It holds nothing but
// the gpslat property; everything else lives in the thread's Form1, shared by
// every object created on the thread. The COM class wraps one of these.
#pragma once

#include <cstdint>
#include <string>

namespace trezik {

class PWExtension {
 public:
  // Runs the start-up sequence (startup.cc). Throws trezik::Error when its
  // first stage fails; what was done up to then stays done.
  PWExtension();

  // The plain stored property of the interface; nothing reads it.
  double gpslat() const { return gpslat_; }
  void set_gpslat(double value) { gpslat_ = value; }

  // 2 for a command carried out, 1 for an accepted fill-up, 0 for a text
  // that is no command. Throws trezik::Error when a step fails.
  std::int16_t ProcessCommand(const std::string& cmd);
  // The text of a skin label; fmt is accepted and not used.
  std::string ReturnLabel(const std::string& lbl, const std::string& fmt);
  // "True" or "False".
  std::string ReturnIndicator(const std::string& ind);

  double Arccos(double x);
  // The same distance as greatcircledistance2, in nautical miles.
  double GreatCircleDistance(double origin_latitude, double destination_latitude,
                             double origin_longitude, double destination_longitude);
  double greatcircledistance2(double origin_latitude, double destination_latitude,
                              double origin_longitude, double destination_longitude);

 private:
  double gpslat_ = 0.0;
};

}  // namespace trezik
