// Strict decimal parsing for the file readers: the whole text must be a
// number with "." as the decimal mark, whatever the process locale.
#pragma once

#include <optional>
#include <string_view>

namespace trezik::drive {

// An optional sign, digits with at most one ".", an optional exponent; no
// blanks, no "inf" or "nan". Nothing when the text is anything else.
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace trezik::drive
