#include "tools/report/number_text.h"

#include <charconv>
#include <cmath>

#include "core/convert.h"

namespace trezik::report {

std::string PlainNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  if (decimals >= 0) value = RoundHalfEven(value, decimals);
  if (value == 0) return "0";
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return std::string(text, result.ptr);
}

std::string FixedNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  value = RoundHalfEven(value, decimals);
  if (value == 0) value = 0;  // -0 and a value that rounded to zero
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

}  // namespace trezik::report
