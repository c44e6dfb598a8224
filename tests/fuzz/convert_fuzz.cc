// The text/number conversions against the C library.
//
// The input is read twice. As a text (its first 200 bytes) it goes to
// TextToDouble with "." and with ","; whether the text is a number is
// decided independently by a regular expression of the accepted form, and
// its value by strtod. As numbers, the first eight bytes (when there are
// eight) and every value read from the text go through the writers.
//
// Properties: TextToDouble accepts exactly the texts of the accepted form,
// with strtod's value, and fails with kOverflow exactly when strtod
// overflows; ParseFileNumber agrees with it for ".". DoubleToText writes
// printf's correctly rounded 15 significant digits, and TextToDouble gives
// back the value rounded to 15 significant digits, the
// exponent form only outside 1e-4..1e15, and that text read and written
// again is the same text. DoubleToLogText is plain decimal with the same
// value. RoundHalfEven agrees with printf's correctly rounded "%.*f", and
// ToInt16/ToInt32 with nearbyint and the type's range.
#include <regex.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/convert.h"
#include "core/error.h"
#include "oracles.h"

namespace trezik::fuzz {
namespace {

constexpr std::size_t kMaxText = 200;

// The accepted form of a number, written out once more as a POSIX
// extended regular expression. No zero byte belongs to it.
bool IsNumberText(const std::string& text, char mark) {
  static const auto compile = [](const char* pattern) {
    auto* compiled = new regex_t;
    if (regcomp(compiled, pattern, REG_EXTENDED | REG_NOSUB) != 0) Broken("the number pattern does not compile");
    return compiled;
  };
  static const regex_t* const dot =
      compile("^[ \t]*[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?[ \t]*$");
  static const regex_t* const comma =
      compile("^[ \t]*[+-]?([0-9]+(,[0-9]*)?|,[0-9]+)([eE][+-]?[0-9]+)?[ \t]*$");
  if (text.find('\0') != std::string::npos) return false;
  return regexec(mark == '.' ? dot : comma, text.c_str(), 0, nullptr, 0) == 0;
}

// strtod's value of a text of the accepted form, and whether it overflowed.
double Strtod(std::string text, char mark, bool* overflow) {
  for (char& c : text) {
    if (c == mark) c = '.';
  }
  errno = 0;
  const double value = std::strtod(text.c_str(), nullptr);
  *overflow = errno == ERANGE && std::isinf(value);
  return value;
}

void CheckReading(const std::string& text, char mark, std::vector<double>& read) {
  std::optional<double> value;
  std::optional<ErrorKind> failure;
  try {
    value = TextToDouble(text, mark);
  } catch (const Error& error) {
    failure = error.kind();
  }
  const std::string shown = Shown(text) + " with mark '" + mark + "'";
  if (!IsNumberText(text, mark)) {
    Expect(failure == ErrorKind::kTypeMismatch, "TextToDouble accepts " + shown + ", which is no number");
    return;
  }
  bool overflow = false;
  const double expected = Strtod(text, mark, &overflow);
  if (overflow) {
    Expect(failure == ErrorKind::kOverflow, "TextToDouble does not overflow on " + shown);
    return;
  }
  Expect(value.has_value(), "TextToDouble rejects the number " + shown);
  Expect(*value == expected && std::signbit(*value) == std::signbit(expected),
         "TextToDouble reads " + shown + " as " + Exact(*value) + ", strtod as " + Exact(expected));
  if (mark == '.') {
    const std::optional<double> file_value = ParseFileNumber(text);
    Expect(file_value && *file_value == *value, "ParseFileNumber disagrees with TextToDouble on " + shown);
  }
  read.push_back(*value);
}

// The significant digits of a number text, without sign, mark, exponent,
// leading and trailing zeros.
std::string SignificantDigits(const std::string& text) {
  std::string digits;
  for (char c : text.substr(0, text.find_first_of("eE"))) {
    if (c >= '0' && c <= '9') digits += c;
  }
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return digits;
}

void CheckWriting(double value, char mark) {
  const std::string text = DoubleToText(value, mark);
  // The digits themselves, which the value alone does not fix below the
  // normal range: printf's correctly rounded 15.
  if (std::isfinite(value) && value != 0 && std::fabs(value) < 1.79769313486231e308) {
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.14e", value);
    Expect(SignificantDigits(text) == SignificantDigits(printed),
           "DoubleToText(" + Exact(value) + ") gives " + Shown(text) + ", printf " + printed);
  }
  const double rounded = Round15(value);
  double back = 0;
  try {
    back = TextToDouble(text, mark);
  } catch (const Error&) {
    Broken("DoubleToText(" + Exact(value) + ") gives " + Shown(text) + ", which does not read back");
  }
  Expect(back == rounded, "DoubleToText(" + Exact(value) + ") gives " + Shown(text) + ", which reads as " +
                              Exact(back) + ", not " + Exact(rounded));
  const double magnitude = std::fabs(rounded);
  const bool exponent_form = text.find('E') != std::string::npos;
  Expect(exponent_form == (magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e15)),
         "DoubleToText(" + Exact(value) + ") gives " + Shown(text) + " in the wrong form");
  Expect(DoubleToText(back, mark) == text, "the text " + Shown(text) + " read and written again changes");

  const std::string log_text = DoubleToLogText(value);
  Expect(log_text.find_first_not_of("-0123456789.") == std::string::npos &&
             std::strtod(log_text.c_str(), nullptr) == rounded,
         "DoubleToLogText(" + Exact(value) + ") gives " + Shown(log_text));
}

void CheckRounding(double value, int decimals) {
  const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::vector<char> text(static_cast<std::size_t>(size) + 1);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  const double expected = std::strtod(text.data(), nullptr);
  const double rounded = RoundHalfEven(value, decimals);
  Expect(rounded == expected, "RoundHalfEven(" + Exact(value) + ", " + std::to_string(decimals) + ") is " +
                                  Exact(rounded) + ", printf gives " + text.data());
}

template <typename Int>
void CheckInteger(double value, Int (*convert)(double), const char* name) {
  const double nearest = std::nearbyint(value);
  const bool fits = nearest >= std::numeric_limits<Int>::min() && nearest <= std::numeric_limits<Int>::max();
  try {
    const Int result = convert(value);
    Expect(fits && result == nearest, std::string(name) + "(" + Exact(value) + ") is " + std::to_string(result));
  } catch (const Error& error) {
    Expect(!fits && error.kind() == ErrorKind::kOverflow,
           std::string(name) + "(" + Exact(value) + ") fails with " + ErrorKindName(error.kind()));
  }
}

void CheckNumber(double value, int decimals) {
  CheckInteger<std::int16_t>(value, &ToInt16, "ToInt16");
  CheckInteger<std::int32_t>(value, &ToInt32, "ToInt32");
  if (!std::isfinite(value)) return;
  CheckWriting(value, '.');
  CheckWriting(value, ',');
  CheckRounding(value, decimals);
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik::fuzz;
  const std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxText));
  std::vector<double> numbers;
  CheckReading(text, '.', numbers);
  CheckReading(text, ',', numbers);
  try {
    trezik::TextToBool(text, '.');
  } catch (const trezik::Error&) {
  }
  if (size >= sizeof(double)) {
    double bits = 0;
    std::memcpy(&bits, data, sizeof bits);
    numbers.push_back(bits);
  }
  const int decimals = size > 0 ? data[size - 1] % 24 : 2;
  for (double value : numbers) CheckNumber(value, decimals);
  return 0;
}
