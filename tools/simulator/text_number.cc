#include "tools/simulator/text_number.h"

#include <charconv>
#include <cmath>

namespace trezik::drive {

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string_view digits = text;
  if (digits.front() == '+') digits.remove_prefix(1);  // from_chars takes no '+'
  if (digits.empty() || digits.front() == '+') return std::nullopt;
  // from_chars would accept "inf", "nan" and hexadecimal forms; a file
  // number starts with a digit, a minus or a point.
  const char first = digits.front() == '-' && digits.size() > 1 ? digits[1] : digits.front();
  if (!(first == '.' || (first >= '0' && first <= '9'))) return std::nullopt;
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
  if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace trezik::drive
