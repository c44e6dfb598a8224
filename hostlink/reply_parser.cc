#include "hostlink/reply_parser.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "plugin/convert.h"
#include "plugin/form1.h"

namespace trezik {
namespace {

std::vector<std::string> SplitAt(const std::string& text, std::string_view separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = text.find(separator, start);
    if (found == std::string::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, found - start));
    start = found + separator.size();
  }
}

// Raises maxspeed to the reported speed, rounded to a whole number. Whatever
// is wrong with the value (not a number, out of range) leaves it alone.
void ApplySpeed(Form1& form, const std::string& value) {
  const std::string speed_text = value.substr(0, value.find(' '));
  try {
    const double speed = form.Number(speed_text);
    if (std::floor(form.maxspeed) < speed) form.maxspeed = ToInt16(speed);
  } catch (const Error&) {
  }
}

}  // namespace

void ParseReply(const std::string& text) {
  const std::vector<std::string> fields = SplitAt(text, "||");
  const std::string name = ToLowerAscii(fields[0]);
  // A name without a value field carries nothing to store.
  if (fields.size() < 2) return;
  const std::string& value = fields[1];
  Form1& form = Form1::Get();
  if (name == "customfdroad" || name == "fdroad") {
    form.city = value;
  } else if (name == "pwpath") {
    form.pwpath = value;
  } else if (name == "gpslat") {
    form.gpslat = value;
  } else if (name == "gpslon") {
    form.gpslon = value;
  } else if (name == "tripmeter" || name == "$tripmeter$") {
    form.trip_total = value;
  } else if (name == "gpsspd") {
    ApplySpeed(form, value);
  }
}

}  // namespace trezik
