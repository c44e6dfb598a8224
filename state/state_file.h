// The trip state file "tripmeter.ini" in the plug-in's folder: the text of
// trip_total and then of workmeter, each ended by CR LF. Form1::UpdateINI
// writes it; start-up reads it with LoadTripState.
#pragma once

#include <string>

namespace trezik {

class Form1;

inline constexpr char kTripStateFileName[] = "tripmeter.ini";

// Sets trip_total and workmeter from the file. A missing file is created
// holding "0" twice and both meters become "0"; any other failure (no
// access, a short or empty file) ends the reading quietly, keeping what was
// read so far. Never throws.
void LoadTripState(Form1& form);


}  // namespace trezik
