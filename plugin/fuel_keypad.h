// The fuel keypad: the quantity keys "trezik_0".."trezik_9", "trezik_.",
// "trezik_clr", the price keys "trezik_p0".."trezik_p9", "trezik_p.",
// "trezik_pclr", and "trezik_ok", which accepts and logs the fill-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trezik {

class Form1;

inline constexpr char kFuelLogFileName[] = "fuel.log";

// Runs the keypad command named by the lower-cased text: 2 for a key, 1 for
// an accepted fill-up, nothing when the text is no keypad command. Throws
// when a step fails; what earlier steps stored stays stored.
std::optional<std::int16_t> RunFuelKey(Form1& form, const std::string& command);

}  // namespace trezik
