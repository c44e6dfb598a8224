// The fuel keypad (its keys in contract/vocabulary.h): the quantity's and the
// price's characters and clear keys, and the accept, which logs the fill-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trezik {

class Form1;

// Runs the keypad key named by the text (any letter case): 2 for a key, 1
// for an accepted fill-up, nothing when the text is no keypad key. Throws
// when a step fails; what earlier steps stored stays stored.
std::optional<std::int16_t> RunFuelKey(Form1& form, const std::string& command);

// The distance since the last full tank restarts without a fill-up (a total
// reset): the partial fill-ups carried belong to no interval any more.
void DropCarriedFuel(Form1& form);

}  // namespace trezik
