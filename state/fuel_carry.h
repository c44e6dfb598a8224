// What a fill-up carries to the next one: the partial fill-ups since the
// last full tank (their fuel and its cost), whether a fill-up went unkeyed in
// that interval, the consumption of the last full tank, and the marks of the
// fill-up being keyed in. Its one writer
// is state/fuel_carry_file.cc, which keeps it in "fuelcarry.ini" beside the
// meters; everyone else reads it through Form1::fuel_carry().
#pragma once

namespace trezik {

// What the consumption labels show for the fill-up being keyed in or the
// one just accepted.
enum class FuelFigure {
  kShown,    // the consumption and the cost per distance
  kPartial,  // a partial fill-up: no figure of its own
  kUnknown,  // a fill-up was missed in the interval: no figure can be known
};

struct FuelCarry {
  // Partial fill-ups accepted since the last full tank: their quantity and
  // their cost (quantity x price, summed).
  double quantity = 0.0;
  double cost = 0.0;
  // A fill-up was not keyed in since the last full tank: the next full tank
  // gets no consumption.
  bool missed = false;
  // The total (trip_total) when the carried fill-ups last changed. A start
  // whose total reads lower finds the distance restarted after that (a full
  // tank or a total reset whose save of the carry a power cut caught): what
  // was carried belongs to the interval before and is dropped.
  double total_at = 0.0;
  // The marks of the entry on the keypad; accept and the quantity's clear
  // key take them off.
  bool partial_mark = false;
  bool missed_mark = false;
  // The consumption of the last full tank, in fuel per distance unit: the
  // fuel of its interval over the interval's distance. 0 while none is known
  // (no full tank yet, or the last one closed an interval with a missed
  // fill-up). "trezik_range" works from it.
  double consumption = 0.0;
  // What the labels show (not saved: after a start there is no figure yet).
  FuelFigure figure = FuelFigure::kShown;
  // The file has been read (or found missing) by this thread's state.
  bool loaded = false;
  // The file's latest write failed: it does not hold the carry yet.
  bool unsaved = false;
};

// Whether the consumption and the cost per distance hold figures worked out
// in this session (a key of the entry, an accept), not the start values 0
// that stand for none yet; the quantity's clear key puts the consumption's
// 0 back. Not saved. Its one writer is the fuel keypad
// (plugin/fuel_keypad.cc); a host that can show "no figure" in place of a 0
// (trezik-live's page) reads it through Form1::worked_figures().
struct WorkedFigures {
  bool consumption = false;
  bool cost = false;
};

// What the entry on the keypad shows: a partial entry has no figure; one
// with the missed mark, or closing an interval that holds a missed fill-up,
// has none that can be known.
inline FuelFigure EntryFigure(const FuelCarry& carry) {
  if (carry.partial_mark) return FuelFigure::kPartial;
  if (carry.missed_mark || carry.missed) return FuelFigure::kUnknown;
  return FuelFigure::kShown;
}

}  // namespace trezik
