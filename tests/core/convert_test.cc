#include "core/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/error.h"
#include "support/error_kind.h"

namespace trezik {
namespace {

using testing::kInf;
using testing::kNaN;
using testing::KindThrownBy;


std::string WithMark(std::string text, char mark) {
  for (char& c : text) {
    if (c == '.') c = mark;
  }
  return text;
}

// Expected texts worked out by hand from the values' decimal expansions.
TEST(DoubleToText, WritesFifteenDigitsPlainOrWithExponent) {
  struct Case {
    double value;
    char mark;
    const char* text;
  };
  const Case cases[] = {
      {0.0, '.', "0"},
      {-0.0, ',', "0"},
      {2.5, '.', "2.5"},
      {2.5, ',', "2,5"},
      {-12.25, ',', "-12,25"},
      {100, '.', "100"},
      {0.1 + 0.2, '.', "0.3"},
      {1.0 / 3, '.', "0.333333333333333"},
      {2.0 / 3, ',', "0,666666666666667"},
      {123456789012345, '.', "123456789012345"},
      {999999999999999.4, '.', "999999999999999"},
      // Rounds to 16 digits' worth, so it crosses into the exponent form.
      {999999999999999.5, '.', "1E+15"},
      {1e15, '.', "1E+15"},
      {1.5e16, '.', "1.5E+16"},
      {1.5e16, ',', "1,5E+16"},
      {123456789012345678.0, '.', "1.23456789012346E+17"},
      {1e100, '.', "1E+100"},
      {0.0001, '.', "0.0001"},
      {0.00012345, ',', "0,00012345"},
      // Just below 1e-4, but 1e-4 once rounded to 15 digits.
      {0.0000999999999999999995, '.', "0.0001"},
      {0.000099999999999999, '.', "9.9999999999999E-05"},
      {0.00001, '.', "1E-05"},
      {-2.5e-7, ',', "-2,5E-07"},
      {5e-324, '.', "4.94065645841247E-324"},
      // Rounding up would give a text beyond the largest double.
      {std::numeric_limits<double>::max(), '.', "1.79769313486231E+308"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DoubleToText(c.value, c.mark), c.text) << "value " << c.value;
  }
}

TEST(DoubleToText, NonFiniteValuesGiveTextsThatAreNotNumbers) {
  for (double value : {kNaN, kInf, -kInf}) {
    const std::string text = DoubleToText(value, '.');
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(ParseFileNumber(text).has_value()) << text;
  }
}

TEST(TextToDouble, ReadsTheAcceptedForms) {
  struct Case {
    const char* text;
    char mark;
    double value;
  };
  const Case cases[] = {
      {"12,5", ',', 12.5},
      {"12.5", '.', 12.5},
      {"  12.5 ", '.', 12.5},
      {"\t-3\t", ',', -3},
      {"+1", '.', 1},
      {"-.5", '.', -0.5},
      {",5", ',', 0.5},
      {"5.", '.', 5},
      {"007", '.', 7},
      {"1e3", '.', 1000},
      {"1E+03", ',', 1000},
      {"2,5E-07", ',', 2.5e-7},
      {"-1.5e16", '.', -1.5e16},
      {"0.1", '.', 0.1},
      {"123456789012345678901234567890", '.', 123456789012345678901234567890.0},
      {"1.7976931348623157e308", '.', std::numeric_limits<double>::max()},
      {"4.94065645841247E-324", '.', 5e-324},
      // Below the smallest denormal: zero, not an error.
      {"1e-400", '.', 0},
      {"0.0000e99999", '.', 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToDouble(c.text, c.mark), c.value) << '"' << c.text << '"';
  }
}

TEST(TextToDouble, RejectsEverythingElse) {
  struct Case {
    const char* text;
    char mark;
    ErrorKind kind;
  };
  const Case cases[] = {
      {"", '.', ErrorKind::kTypeMismatch},
      {"   ", ',', ErrorKind::kTypeMismatch},
      {"prevlat", '.', ErrorKind::kTypeMismatch},
      {".", '.', ErrorKind::kTypeMismatch},
      {"-,", ',', ErrorKind::kTypeMismatch},
      {"12,5", '.', ErrorKind::kTypeMismatch},
      {"12.5", ',', ErrorKind::kTypeMismatch},
      {"1,000.5", '.', ErrorKind::kTypeMismatch},
      {"1 000", '.', ErrorKind::kTypeMismatch},
      {"1.2.3", '.', ErrorKind::kTypeMismatch},
      {"e5", '.', ErrorKind::kTypeMismatch},
      {"1e", '.', ErrorKind::kTypeMismatch},
      {"1e+", '.', ErrorKind::kTypeMismatch},
      {"1e5.5", '.', ErrorKind::kTypeMismatch},
      {"1d3", '.', ErrorKind::kTypeMismatch},
      {"--1", '.', ErrorKind::kTypeMismatch},
      {"+-1", '.', ErrorKind::kTypeMismatch},
      {"inf", '.', ErrorKind::kTypeMismatch},
      {"NaN", '.', ErrorKind::kTypeMismatch},
      {"0x10", '.', ErrorKind::kTypeMismatch},
      {"1e309", '.', ErrorKind::kOverflow},
      {"-1e400", '.', ErrorKind::kOverflow},
      {"1,79769313486232E+308", ',', ErrorKind::kOverflow},
      {"0.001e99999999999999999999", '.', ErrorKind::kOverflow},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KindThrownBy([&] { TextToDouble(c.text, c.mark); }), c.kind) << '"' << c.text << '"';
  }
}

TEST(TextToDouble, MessageQuotesTheText) {
  try {
    TextToDouble("abc", '.');
    FAIL() << "no error thrown";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Type mismatch: \"abc\" is not a number");
  }
}

// Any text of at most 15 significant digits in the written form survives
// text -> double -> text unchanged.
TEST(TextRoundTrip, WrittenFormsComeBackUnchanged) {
  const char* texts[] = {"0.1",
                         "2.5",
                         "-2.5E-07",
                         "1E-05",
                         "0.0001",
                         "1.5E+16",
                         "123456789012345",
                         "999999999999999",
                         "1E+15",
                         "0.333333333333333",
                         "12345.678",
                         "-0.000123456789012345",
                         "9.87654321098765E+307",
                         "4.94065645841247E-324",
                         "1.79769313486231E+308"};
  for (const char* text : texts) {
    for (char mark : {'.', ','}) {
      const std::string written = WithMark(text, mark);
      EXPECT_EQ(DoubleToText(TextToDouble(written, mark), mark), written);
    }
  }
}

// double -> text -> double stays within half a unit of the 15th digit, and the
// text is already in its written form.
TEST(TextRoundTrip, ValuesComeBackWithinFifteenDigits) {
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 2000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double mantissa = static_cast<double>(state >> 11) / 9007199254740992.0;  // [0, 1)
    const int exponent = static_cast<int>((state >> 3) % 80) - 40;
    const double value = (i % 2 ? -1 : 1) * (1 + 9 * mantissa) * std::pow(10.0, exponent);
    const char mark = i % 3 ? '.' : ',';
    const std::string text = DoubleToText(value, mark);
    const double back = TextToDouble(text, mark);
    EXPECT_LE(std::fabs(back - value), 5.2e-15 * std::fabs(value)) << text;
    EXPECT_EQ(DoubleToText(back, mark), text);
  }
}

TEST(ParseFileNumber, ReadsPointNumbersAndNothingElse) {
  EXPECT_EQ(ParseFileNumber(" 12.5 "), 12.5);
  EXPECT_EQ(ParseFileNumber("-1.5E+16"), -1.5e16);
  EXPECT_EQ(ParseFileNumber("12,5"), std::nullopt);
  EXPECT_EQ(ParseFileNumber(""), std::nullopt);
  EXPECT_EQ(ParseFileNumber("1e999"), std::nullopt);
}

TEST(DoubleToLogText, NeverWritesAnExponent) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {12.5, "12.5"},
      {0.00001, "0.00001"},
      {-2.5e-7, "-0.00000025"},
      {1.0 / 3, "0.333333333333333"},
      {1e15, "1000000000000000"},
      {123456789012345678901.0, "123456789012346000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DoubleToLogText(c.value), c.text) << "value " << c.value;
  }
}

// Expected values checked against Python's decimal module on the exact value
// of each double (Decimal(x).quantize(..., ROUND_HALF_EVEN)).
TEST(RoundHalfEven, RoundsTheExactBinaryValue) {
  struct Case {
    double value;
    int decimals;
    double rounded;
  };
  const Case cases[] = {
      {10.125, 2, 10.12},  // an exact tie goes to the even digit
      {0.375, 2, 0.38},
      {2.675, 2, 2.67},  // really 2.67499999...
      {1.005, 2, 1.0},
      {9.995, 2, 9.99},
      {9.9951, 2, 10.0},  // the carry runs into the integer part
      {12.345678, 2, 12.35},
      {-1234.5675, 3, -1234.568},  // really -1234.56750000000010...
      {2.5, 0, 2},
      {3.5, 0, 4},
      {-2.5, 0, -2},
      {99.5, 0, 100},
      {std::nextafter(2.5, 3.0), 0, 3},
      {std::nextafter(0.125, 0.0), 2, 0.12},
      {0.30000000000000004, 15, 0.3},
      {0.30000000000000004, 17, 0.30000000000000004},
      {2.675, 3, 2.675},
      {0.1, 400, 0.1},
      {1e300, 2, 1e300},
      {5e-324, 323, 0},
      {5e-324, 324, 5e-324},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfEven(c.value, c.decimals), c.rounded)
        << c.value << " to " << c.decimals << " decimals";
  }
}

TEST(RoundHalfEven, NegativeDecimalsAreInvalid) {
  EXPECT_EQ(KindThrownBy([] { RoundHalfEven(1.5, -1); }), ErrorKind::kInvalidArgument);
}

TEST(ToInteger, RoundsHalvesToEvenThenChecksTheRange) {
  struct Case {
    double value;
    std::int16_t expected;
  };
  const Case fits16[] = {{2.5, 2},         {-0.5, 0},          {32766.5, 32766},
                         {32767.4, 32767}, {-32767.5, -32768}, {-32768.5, -32768}};
  for (const Case& c : fits16) EXPECT_EQ(ToInt16(c.value), c.expected) << c.value;
  for (double value : {32767.5, 32768.0, -32768.500001, kNaN, kInf}) {
    EXPECT_EQ(KindThrownBy([&] { ToInt16(value); }), ErrorKind::kOverflow) << value;
  }

  EXPECT_EQ(ToInt32(86399.5), 86400);
  EXPECT_EQ(ToInt32(2147483646.5), 2147483646);
  EXPECT_EQ(ToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(ToInt32(-2147483648.5), -2147483647 - 1);
  for (double value : {2147483647.5, -2147483649.0, 1e300, kNaN}) {
    EXPECT_EQ(KindThrownBy([&] { ToInt32(value); }), ErrorKind::kOverflow) << value;
  }
}

TEST(TextToBool, TakesWordsInAnyCaseOrNumbers) {
  struct Case {
    const char* text;
    char mark;
    bool value;
  };
  const Case cases[] = {{"True", '.', true}, {"FALSE", '.', false}, {"tRuE", ',', true},
                        {"0", '.', false},   {"-1", '.', true},     {"0,0", ',', false},
                        {"0.5", '.', true},  {" 1 ", ',', true}};
  for (const Case& c : cases) EXPECT_EQ(TextToBool(c.text, c.mark), c.value) << c.text;

  for (const char* text : {" true", "yes", "", "0.5"}) {
    EXPECT_EQ(KindThrownBy([&] { TextToBool(text, ','); }), ErrorKind::kTypeMismatch) << text;
  }
  EXPECT_EQ(KindThrownBy([] { TextToBool("1e999", '.'); }), ErrorKind::kOverflow);
}

TEST(ToLowerAscii, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(ToLowerAscii("ResetTRIP_9 \xC3\x84"), "resettrip_9 \xC3\x84");
}

}  // namespace
}  // namespace trezik
