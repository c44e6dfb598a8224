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

// The text a meter is saved as: a number in the user's format gets "." as
// its decimal mark, so that it reads back as one value; any other text is
// saved unchanged.
std::string MeterTextForFile(const Form1& form, const std::string& meter);

}  // namespace trezik
