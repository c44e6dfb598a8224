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

std::optional<int> WholeNumberInRange(const std::optional<std::string>& value, char decimal_mark,
                                      int low, int high) {
  if (!value) return std::nullopt;
  try {
    const double number = TextToDouble(*value, decimal_mark);
    if (number != std::floor(number) || number < low || number > high) return std::nullopt;
    return static_cast<int>(number);
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace trezik
