#include "hostlink/reply_parser.h"

#include <cmath>
#include <string_view>

#include "core/convert.h"
#include "hostlink/protocol.h"
#include "state/form1.h"
#include "state/state_file.h"

namespace trezik {
namespace {

// Keeps the reported speed for the standstill filter and raises maxspeed to
// it, rounded to a whole number. Whatever is wrong with the value (not a
// number, out of range) leaves maxspeed alone.
void ApplySpeed(Form1& form, std::string_view value) {
  const std::string_view speed_text = value.substr(0, value.find(' '));
  try {
    const double speed = TextToDouble(speed_text, form.decimal_mark());
    ReportedSpeedToWrite(form).value = speed;
    if (std::floor(form.maxspeed) < speed) form.maxspeed = ToInt16(speed);
  } catch (const Error&) {
  }
}

// The host sets the total. Only a number in the user's format is taken: a
// text would stop the counting and be saved as the driver's total.
void ApplyTotal(Form1& form, std::string_view value) {
  try {
    TextToDouble(value, form.decimal_mark());
  } catch (const Error&) {
    return;
  }
  form.trip_total = value;
  NoteMeterSet(form, SavedMeter::kTotal);
}

}  // namespace

ReportedSpeed& ReportedSpeedToWrite(Form1& form) { return form.reported_speed_; }

void ParseReply(std::string_view text) {
  // Field 0 is the name, field 1 the value; further fields are ignored.
  const std::size_t name_end = text.find(kFieldSeparator);
  // A name without a value field carries nothing to store.
  if (name_end == std::string_view::npos) return;
  const std::string name = ToLowerAscii(text.substr(0, name_end));
  const std::size_t value_start = name_end + kFieldSeparator.size();
  const std::size_t value_end = text.find(kFieldSeparator, value_start);
  const std::string_view value = text.substr(
      value_start, value_end == std::string_view::npos ? std::string_view::npos : value_end - value_start);
  Form1& form = Form1::Get();
  if (name == kRoadReply || name == kOldRoadReply) {
    form.city = value;
  } else if (name == kPathReply) {
    form.pwpath = value;
  } else if (name == kLatitudeReply) {
    form.gpslat = value;
  } else if (name == kLongitudeReply) {
    form.gpslon = value;
  } else if (name == kTotalReply || name == kTotalReplyQuoted) {
    ApplyTotal(form, value);
  } else if (name == kSpeedReply) {
    ApplySpeed(form, value);
  }
}

}  // namespace trezik
