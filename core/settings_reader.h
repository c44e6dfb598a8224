// The settings the plug-in reads at start-up: "isunits" from the host's
// "pw.ini"; "decimalplaces", "autosave", "minspeed", "calibration" and
// "distance" from the plug-in's "trezik.ini".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trezik {

// Splits a settings item at "=": the text before the first "=" lower-cased,
// and the text between the first and second "=" when there is one.
struct SettingsItem {
  std::string key;
  std::optional<std::string> value;
};
SettingsItem SplitSettingsItem(const std::string& item);

// "isunits": True/False or a number; anything else, or no value, is false.
bool IsUnitsValue(const std::optional<std::string>& value, char decimal_mark);

// "decimalplaces": a whole number in the 16-bit range (halves to even), or
// nothing when the value does not convert.
std::optional<std::int16_t> DecimalPlacesValue(const std::optional<std::string>& value,
                                               char decimal_mark);

// A number from `low` to `high` written with "." or with the user's decimal
// mark, or nothing for anything else (no value, not a number, out of range).
std::optional<double> NumberInRange(const std::optional<std::string>& value, char decimal_mark,
                                    double low, double high);

// The same for a whole number.
std::optional<int> WholeNumberInRange(const std::optional<std::string>& value, char decimal_mark,
                                      int low, int high);

}  // namespace trezik
