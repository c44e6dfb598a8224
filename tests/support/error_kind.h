// The kind of trezik::Error a call fails with.
#pragma once

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "core/error.h"

namespace trezik::testing {

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The kind of the error the call throws, or nothing when it returns.
template <typename Call>
std::optional<ErrorKind> FailureOf(Call&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.kind();
  }
  return std::nullopt;
}

// The kind of the error the call throws; a call that returns fails the test.
template <typename Call>
ErrorKind KindThrownBy(Call&& call) {
  const std::optional<ErrorKind> kind = FailureOf(call);
  if (!kind) ADD_FAILURE() << "no error thrown";
  return kind.value_or(ErrorKind::kFileIo);
}

}  // namespace trezik::testing
