// "fuelcarry.ini" in the plug-in's folder: what a fill-up carries to the next
// (state/fuel_carry.h), one "key=value" line each, ended by CR LF:
//   quantity=3.8
//   cost=5.7
//   missed=0
//   total=557
//   partial_mark=0
//   missed_mark=0
//   consumption=0.08
// Numbers are written with "."; it is replaced whole, as "tripmeter.ini" is.
// A missing file carries nothing.
#pragma once

#include "contract/names.h"

namespace trezik {

class Form1;
struct FuelCarry;

// Reads the file once per state holder (a second object keeps what the first
// carries). Call it after the meters are loaded: when their total is lower
// than the carry's, what was carried is dropped. An unreadable or damaged
// file carries nothing. Never throws.
void LoadFuelCarry(Form1& form) noexcept;

// The new carry, kept in the state and, when anything of it that the file
// holds changed or the file's last write failed, written to the file. A
// failed write is swallowed, as inside the front end it must be (a host
// that tells its driver watches the file's writes at the platform): the
// state holds the carry and notes it unsaved, and the next store or
// SaveFuelCarry writes it again.
void StoreFuelCarry(Form1& form, const FuelCarry& carry) noexcept;

// Writes the carry again when its last write failed (the final save).
void SaveFuelCarry(Form1& form) noexcept;

}  // namespace trezik
