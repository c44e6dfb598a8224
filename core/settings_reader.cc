#include "core/settings_reader.h"

#include <cmath>

#include "core/convert.h"
#include "core/error.h"

namespace trezik {

SettingsItem SplitSettingsItem(const std::string& item) {
  SettingsItem result;
  const std::size_t first = item.find('=');
  result.key = ToLowerAscii(item.substr(0, first));
  if (first != std::string::npos) {
    const std::size_t second = item.find('=', first + 1);
    result.value = item.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                      : second - first - 1);
  }
  return result;
}

bool IsUnitsValue(const std::optional<std::string>& value, char decimal_mark) {
  if (!value) return false;
  try {
    return TextToBool(*value, decimal_mark);
  } catch (const Error&) {
    return false;
  }
}

std::optional<std::int16_t> DecimalPlacesValue(const std::optional<std::string>& value,
                                               char decimal_mark) {
  if (!value) return std::nullopt;
  try {
    return ToInt16(TextToDouble(*value, decimal_mark));
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::optional<double> NumberInRange(const std::optional<std::string>& value, char decimal_mark,
                                    double low, double high) {
  if (!value) return std::nullopt;
  for (const char mark : {decimal_mark, '.'}) {
    try {
      const double number = TextToDouble(*value, mark);
      if (number >= low && number <= high) return number;
      return std::nullopt;
    } catch (const Error&) {
    }
  }
  return std::nullopt;
}

std::optional<int> WholeNumberInRange(const std::optional<std::string>& value, char decimal_mark,
                                      int low, int high) {
  const std::optional<double> number = NumberInRange(value, decimal_mark, low, high);
  if (!number || *number != std::floor(*number)) return std::nullopt;
  return static_cast<int>(*number);
}

}  // namespace trezik
