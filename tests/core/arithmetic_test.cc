#include "core/arithmetic.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "core/error.h"
#include "support/error_kind.h"

namespace trezik {
namespace {

using testing::kInf;
using testing::kNaN;
using testing::KindThrownBy;

using Operation = double (*)(double, double);

// The outcome of one guarded step: its value, or the kind of error it threw.
struct Outcome {
  std::optional<double> value;
  std::optional<ErrorKind> error;
};

Outcome Attempt(Operation operation, double a, double b) {
  try {
    return {operation(a, b), std::nullopt};
  } catch (const Error& error) {
    return {std::nullopt, error.kind()};
  }
}

TEST(CheckedArithmetic, FailsAsTheHostRuntimeDoes) {
  struct Case {
    Operation operation;
    double a, b;
    std::optional<double> value;
    std::optional<ErrorKind> error;
  };
  const Case cases[] = {
      {CheckedDivide, 7, 2, 3.5, std::nullopt},
      {CheckedDivide, 0, 5, 0, std::nullopt},
      {CheckedDivide, 5, 0, std::nullopt, ErrorKind::kDivisionByZero},
      {CheckedDivide, -5, -0.0, std::nullopt, ErrorKind::kDivisionByZero},
      {CheckedDivide, 0, 0, std::nullopt, ErrorKind::kOverflow},
      {CheckedDivide, 1e300, 1e-300, std::nullopt, ErrorKind::kOverflow},
      {CheckedDivide, kNaN, 2, std::nullopt, ErrorKind::kOverflow},
      {CheckedDivide, kNaN, 0, std::nullopt, ErrorKind::kOverflow},
      {CheckedDivide, 1, kNaN, std::nullopt, ErrorKind::kOverflow},
      {CheckedMultiply, 1.5, 4, 6, std::nullopt},
      {CheckedMultiply, 1e200, 1e200, std::nullopt, ErrorKind::kOverflow},
      {CheckedMultiply, kInf, 0, std::nullopt, ErrorKind::kOverflow},
      {CheckedMultiply, kNaN, 1, std::nullopt, ErrorKind::kOverflow},
      {CheckedAdd, 0.25, 0.5, 0.75, std::nullopt},
      {CheckedAdd, 1.7e308, 1.7e308, std::nullopt, ErrorKind::kOverflow},
      {CheckedAdd, kInf, -kInf, std::nullopt, ErrorKind::kOverflow},
      {CheckedAdd, 1, kNaN, std::nullopt, ErrorKind::kOverflow},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Attempt(c.operation, c.a, c.b);
    EXPECT_EQ(outcome.value, c.value) << c.a << ", " << c.b;
    EXPECT_EQ(outcome.error, c.error) << c.a << ", " << c.b;
  }
}

}  // namespace
}  // namespace trezik
