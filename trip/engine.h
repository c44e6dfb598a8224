// The once-a-second trip meter update: ask the host for a fix, measure the
// step from the previous fix and add it to the meters.
#pragma once

namespace trezik {

class Form1;

// One tick of Timer1. Never throws: a statement that fails with a type
// mismatch is skipped, any other failure ends the tick quietly.
void UpdateTrip(Form1& form);

// Lets the standstill filter go: the next tick counts from the fix it sees
// (start-up).
void ResetTripFilter(Form1& form);

}  // namespace trezik
