// Text/number conversions, in one place. Nothing else in the plug-in turns a
// meter into text or text into a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trezik {

// The general form of a double: rounded to 15 significant digits, no trailing
// zeros, no trailing decimal mark, written with the given mark. Zero is "0"
// (also -0). Magnitudes from 1e-4 up to below 1e15 are written plainly, others
// in the exponent form "1.5E+16" / "1E-05", which TextToDouble reads back.
std::string DoubleToText(double value, char decimal_mark);

// A number in the user's format. Accepted: optional blanks around, an
// optional sign, digits with at most one decimal mark (digits on at least one
// side of it), and an optional exponent "E" or "e" with optional sign and
// digits. Nothing else: no thousands separators, no "inf"/"nan", no hex.
// Anything else throws kTypeMismatch; a number beyond a double throws
// kOverflow.
double TextToDouble(std::string_view text, char decimal_mark);

// A number with "." as the decimal mark, as the trip state file holds it, or
// nothing when the text is not one.
std::optional<double> ParseFileNumber(std::string_view text);

// A number as the log files write it: plain decimal form with ".", never an
// exponent, at most 15 significant digits, no trailing zeros.
std::string DoubleToLogText(double value);

// Rounds the exact value of the double to `decimals` places, a half going to
// the even neighbour (10.125 -> 10.12; 2.675, really 2.67499999..., -> 2.67).
// Negative decimals throw kInvalidArgument.
double RoundHalfEven(double value, int decimals);

// Nearest integer, halves to even; beyond the type's range throws kOverflow.
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);

// The boolean of a settings value: "True"/"False" in any letter case, or a
// number in the user's format (0 false, any other true). Else kTypeMismatch.
bool TextToBool(std::string_view text, char decimal_mark);

// Lower-cases ASCII letters, leaving every other byte alone.
std::string ToLowerAscii(std::string_view text);

}  // namespace trezik
