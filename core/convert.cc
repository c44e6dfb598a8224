#include "core/convert.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "core/error.h"

namespace trezik {
namespace {

// A finite non-zero double rounded to 15 significant digits, as
// d1.d2d3... x 10^exponent with no trailing zeros in `digits`.
struct Decimal15 {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// The digits and exponent of a scientific-form text from to_chars.
Decimal15 SplitScientific(const char* p, const char* end) {
  Decimal15 result;
  if (*p == '-') {
    result.negative = true;
    ++p;
  }
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') result.digits.push_back(*p);
  }
  ++p;                             // past 'e'
  if (p != end && *p == '+') ++p;  // from_chars takes '-' but not '+'
  std::from_chars(p, end, result.exponent);
  return result;
}

// Scientific form with 14 digits after the point is the correctly rounded
// 15-digit value, including the carry into the exponent (9.99...e14 -> 1e15).
Decimal15 RoundTo15DigitsExactly(double value) {
  std::array<char, 40> buffer;
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, 14);
  Decimal15 result = SplitScientific(buffer.data(), end);
  while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
  return result;
}

// Rounds the shortest text that reads back as the value to 15 digits, which
// is several times faster than rounding the exact value and gives the same
// digits: the exact value lies closer to the shortest text than any other
// text of its length or shorter, so no 15-digit rounding boundary lies
// between the two, unless the shortest text is that boundary itself (its
// 16th digit a final 5). Only then is the exact value rounded, and for the
// values below the normal range, whose few bits leave the shortest text
// shorter than 15 digits of the exact value.
Decimal15 RoundTo15Digits(double value) {
  if (std::fabs(value) < std::numeric_limits<double>::min()) return RoundTo15DigitsExactly(value);
  std::array<char, 40> buffer;
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific);
  Decimal15 result = SplitScientific(buffer.data(), end);
  std::string& digits = result.digits;
  if (digits.size() > 15) {
    if (digits.size() == 16 && digits[15] == '5') {
      result = RoundTo15DigitsExactly(value);
    } else {
      const bool up = digits[15] >= '5';
      digits.resize(15);
      if (up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
          digits.insert(digits.begin(), '1');
          digits.pop_back();
          ++result.exponent;
        } else {
          ++digits[i - 1];
        }
      }
    }
  }
  while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
  // The largest doubles would round up to 1.79769313486232E+308, which is
  // beyond a double and could not be read back; keep them one unit lower.
  if (result.exponent == 308 && result.digits == "179769313486232") {
    result.digits = "179769313486231";
  }
  return result;
}

std::string WritePlain(const Decimal15& d, char decimal_mark) {
  std::string out;
  if (d.negative) out += '-';
  const int count = static_cast<int>(d.digits.size());
  if (d.exponent < 0) {
    out += '0';
    out += decimal_mark;
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += d.digits;
    return out;
  }
  const int integer_count = d.exponent + 1;
  if (count <= integer_count) {
    out += d.digits;
    out.append(static_cast<std::size_t>(integer_count - count), '0');
  } else {
    out.append(d.digits, 0, static_cast<std::size_t>(integer_count));
    out += decimal_mark;
    out.append(d.digits, static_cast<std::size_t>(integer_count));
  }
  return out;
}

// "1.5E+16", "-2.5E-07": the exponent has a sign and at least two digits.
std::string WriteExponent(const Decimal15& d, char decimal_mark) {
  std::string out;
  if (d.negative) out += '-';
  out += d.digits[0];
  if (d.digits.size() > 1) {
    out += decimal_mark;
    out.append(d.digits, 1);
  }
  out += 'E';
  out += d.exponent < 0 ? '-' : '+';
  const int magnitude = d.exponent < 0 ? -d.exponent : d.exponent;
  if (magnitude < 10) out += '0';
  std::array<char, 8> buffer;
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude);
  out.append(buffer.data(), end);
  return out;
}

// Text forms of the values callers never produce, so that nothing crashes on them.
const char* NonFiniteText(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Inf" : "Inf";
}

enum class ParseOutcome { kNumber, kNotNumber, kOutOfRange };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the accepted grammar itself (from_chars would also take "inf", "nan"
// and never a '+' or a ',') and hands from_chars a normalized copy.
ParseOutcome ParseNumber(std::string_view text, char decimal_mark, double* result) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string_view s = text.substr(begin, end - begin);

  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const std::size_t integer_begin = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  const std::string_view integer_digits = s.substr(integer_begin, i - integer_begin);
  std::string_view fraction_digits;
  if (i < s.size() && s[i] == decimal_mark) {
    const std::size_t fraction_begin = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    fraction_digits = s.substr(fraction_begin, i - fraction_begin);
  }
  if (integer_digits.empty() && fraction_digits.empty()) return ParseOutcome::kNotNumber;

  bool has_exponent = false;
  bool exponent_negative = false;
  std::string_view exponent_digits;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    has_exponent = true;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      exponent_negative = s[i] == '-';
      ++i;
    }
    const std::size_t exponent_begin = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    exponent_digits = s.substr(exponent_begin, i - exponent_begin);
    if (exponent_digits.empty()) return ParseOutcome::kNotNumber;
  }
  if (i != s.size()) return ParseOutcome::kNotNumber;

  // The common case, a plain "123.45" or "-0.5" with ".", goes to from_chars
  // as it stands; other forms are rewritten into that shape first.
  if (decimal_mark == '.' && !integer_digits.empty() && !has_exponent && s[0] != '+') {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc() && ptr == s.data() + s.size()) {
      *result = value;
      return ParseOutcome::kNumber;
    }
  }
  std::string normalized;
  normalized.reserve(s.size() + 2);
  if (negative) normalized += '-';
  normalized += integer_digits.empty() ? std::string_view("0") : integer_digits;
  if (!fraction_digits.empty()) {
    normalized += '.';
    normalized += fraction_digits;
  }
  if (has_exponent) {
    normalized += 'e';
    if (exponent_negative) normalized += '-';
    normalized += exponent_digits;
  }
  double value = 0;
  const auto [ptr, ec] =
      std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
  if (ec == std::errc() && ptr == normalized.data() + normalized.size()) {
    *result = value;
    return ParseOutcome::kNumber;
  }
  if (ec != std::errc::result_out_of_range) return ParseOutcome::kNotNumber;

  // Out of range either way: beyond the largest double, or below the smallest
  // denormal. The decimal exponent of the first significant digit tells which;
  // a tiny value reads as zero.
  long long exponent = 0;
  for (char c : exponent_digits) {
    exponent = exponent * 10 + (c - '0');
    if (exponent > 1'000'000'000) break;  // far past either limit already
  }
  if (exponent_negative) exponent = -exponent;
  long long leading = 0;
  const std::size_t first_integer = integer_digits.find_first_not_of('0');
  if (first_integer != std::string_view::npos) {
    leading = static_cast<long long>(integer_digits.size() - first_integer) - 1;
  } else {
    const std::size_t first_fraction = fraction_digits.find_first_not_of('0');
    if (first_fraction == std::string_view::npos) {  // all zeros: from_chars never gets here
      *result = negative ? -0.0 : 0.0;
      return ParseOutcome::kNumber;
    }
    leading = -static_cast<long long>(first_fraction) - 1;
  }
  if (leading + exponent > 0) return ParseOutcome::kOutOfRange;
  *result = negative ? -0.0 : 0.0;
  return ParseOutcome::kNumber;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  out += text;
  out += '"';
  return out;
}

// Nearest integer, a half to the even one. x - floor(x) is exact for every
// finite double, so the comparisons see the true fraction.
double NearestEven(double value) {
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  return whole;
}

template <typename Int>
Int ToInteger(double value, const char* type_name) {
  const double rounded = NearestEven(value);
  // Written so that NaN fails the test too.
  if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    Fail(ErrorKind::kOverflow,
         "Overflow: " + DoubleToText(value, '.') + " does not fit in a " + type_name);
  }
  return static_cast<Int>(rounded);
}

}  // namespace

std::string DoubleToText(double value, char decimal_mark) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0) return "0";
  const Decimal15 d = RoundTo15Digits(value);
  if (d.exponent >= -4 && d.exponent < 15) return WritePlain(d, decimal_mark);
  return WriteExponent(d, decimal_mark);
}

double TextToDouble(std::string_view text, char decimal_mark) {
  double value = 0;
  switch (ParseNumber(text, decimal_mark, &value)) {
    case ParseOutcome::kNumber:
      return value;
    case ParseOutcome::kOutOfRange:
      Fail(ErrorKind::kOverflow, "Overflow: " + Quoted(text) + " is beyond the range of a double");
    case ParseOutcome::kNotNumber:
      break;
  }
  Fail(ErrorKind::kTypeMismatch, "Type mismatch: " + Quoted(text) + " is not a number");
}

std::optional<double> ParseFileNumber(std::string_view text) {
  double value = 0;
  if (ParseNumber(text, '.', &value) != ParseOutcome::kNumber) return std::nullopt;
  return value;
}

std::string DoubleToLogText(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0) return "0";
  return WritePlain(RoundTo15Digits(value), '.');
}

double RoundHalfEven(double value, int decimals) {
  if (decimals < 0) {
    Fail(ErrorKind::kInvalidArgument,
         "Invalid argument: cannot round to " + std::to_string(decimals) + " decimal places");
  }
  if (!std::isfinite(value) || value == 0) return value;

  // The double is m * 2^e2 exactly; with the trailing zero bits of m dropped
  // it has exactly max(0, -e2) decimal places. When those fit, it is unchanged,
  // which settles integers, halves and any large `decimals` without any text.
  int binary_exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &binary_exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int e2 = binary_exponent - 53;
  while ((mantissa & 1) == 0) {
    mantissa >>= 1;
    ++e2;
  }
  const int places = e2 < 0 ? -e2 : 0;
  if (decimals >= places) return value;

  // With `places` digits after the point the fixed form is the exact value
  // (at most 1074 of them, and at most 16 integer digits since e2 < 0).
  std::array<char, 1100> buffer;
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, places);
  const std::string_view exact(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  const bool negative = exact[0] == '-';
  const std::size_t integer_begin = negative ? 1 : 0;
  const std::size_t point = exact.find('.');
  const auto kept_places = static_cast<std::size_t>(decimals);

  std::string kept(exact.substr(integer_begin, point - integer_begin));
  kept += exact.substr(point + 1, kept_places);
  const char next = exact[point + 1 + kept_places];
  const std::string_view rest = exact.substr(point + 2 + kept_places);
  // A tie only when the exact expansion stops at that 5.
  const bool round_up =
      next > '5' || (next == '5' && (rest.find_first_not_of('0') != std::string_view::npos ||
                                     (kept.back() - '0') % 2 == 1));
  if (round_up) {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) {
      kept.insert(kept.begin(), '1');
    } else {
      ++kept[i - 1];
    }
  }

  std::string rounded = negative ? "-" : "";
  const std::size_t integer_count = kept.size() - kept_places;
  rounded.append(kept, 0, integer_count);
  if (kept_places > 0) {
    rounded += '.';
    rounded.append(kept, integer_count);
  }
  double result = 0;
  std::from_chars(rounded.data(), rounded.data() + rounded.size(), result);
  return result;
}

std::int16_t ToInt16(double value) { return ToInteger<std::int16_t>(value, "16-bit integer"); }

std::int32_t ToInt32(double value) { return ToInteger<std::int32_t>(value, "32-bit integer"); }

bool TextToBool(std::string_view text, char decimal_mark) {
  const std::string lower = ToLowerAscii(text);
  if (lower == "true") return true;
  if (lower == "false") return false;
  double value = 0;
  switch (ParseNumber(text, decimal_mark, &value)) {
    case ParseOutcome::kNumber:
      return value != 0;
    case ParseOutcome::kOutOfRange:
      Fail(ErrorKind::kOverflow, "Overflow: " + Quoted(text) + " is beyond the range of a double");
    case ParseOutcome::kNotNumber:
      break;
  }
  Fail(ErrorKind::kTypeMismatch,
       "Type mismatch: " + Quoted(text) + " is neither True, False nor a number");
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace trezik
