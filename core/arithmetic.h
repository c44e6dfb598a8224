// Guarded arithmetic: each step fails the way the host's automation runtime
// would, before anything is stored from it.
#pragma once

namespace trezik {

// a / b: kDivisionByZero for a non-zero a over zero, kOverflow for 0 / 0 or a
// result beyond a double.
double CheckedDivide(double a, double b);
// a * b and a + b: kOverflow for a result beyond a double.
double CheckedMultiply(double a, double b);
double CheckedAdd(double a, double b);

}  // namespace trezik
