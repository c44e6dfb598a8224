#include "core/arithmetic.h"

#include <cmath>
#include <string>

#include "core/error.h"
#include "core/convert.h"

namespace trezik {
namespace {

std::string Operation(double a, const char* op, double b) {
  return DoubleToText(a, '.') + " " + op + " " + DoubleToText(b, '.');
}

// A NaN operand or a result that is not finite is an overflow, as the host's
// runtime reports both.
double Finite(double result, double a, const char* op, double b) {
  if (std::isnan(a) || std::isnan(b) || !std::isfinite(result)) {
    Fail(ErrorKind::kOverflow, "Overflow: " + Operation(a, op, b));
  }
  return result;
}

}  // namespace

double CheckedDivide(double a, double b) {
  if (b == 0 && !std::isnan(a)) {
    if (a == 0) Fail(ErrorKind::kOverflow, "Overflow: " + Operation(a, "/", b));
    Fail(ErrorKind::kDivisionByZero, "Division by zero: " + Operation(a, "/", b));
  }
  return Finite(a / b, a, "/", b);
}

double CheckedMultiply(double a, double b) { return Finite(a * b, a, "*", b); }

double CheckedAdd(double a, double b) { return Finite(a + b, a, "+", b); }

}  // namespace trezik
