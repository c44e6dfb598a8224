// Reference results for the fuzz targets, computed with the C library
// (printf, strtod) rather than with the plug-in's own conversions, and the
// way a target reports a broken property.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace trezik::fuzz {

// A broken property: says which and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void Broken(const std::string& what) {
  std::fprintf(stderr, "\nproperty broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void Expect(bool holds, const std::string& what) {
  if (!holds) Broken(what);
}

// A finite double rounded to 15 significant digits, as printf rounds it. The
// largest doubles round beyond the double range; the plug-in keeps them at
// the last 15-digit value below it, 1.79769313486231E+308.
inline double Round15(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", value);
  const double rounded = std::strtod(text, nullptr);
  if (std::isinf(rounded)) return std::copysign(1.79769313486231e308, value);
  return rounded;
}

// A double with enough digits to tell it from its neighbours, for messages.
inline std::string Exact(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The bytes of a text with every byte outside printable ASCII written as
// \xNN, for messages.
inline std::string Shown(std::string_view text) {
  std::string shown = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      shown += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    }
  }
  return shown + "\"";
}

}  // namespace trezik::fuzz
