#include "plugin/fuel_keypad.h"

#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "core/arithmetic.h"
#include "core/convert.h"
#include "state/form1.h"
#include "contract/log_line.h"
#include "contract/log_record.h"
#include "contract/names.h"
#include "contract/vocabulary.h"
#include "state/fuel_carry_file.h"
#include "state/state_file.h"

namespace trezik {
namespace {

// The fuel of the interval since the last full tank: what the partial
// fill-ups carried, and this one's.
double IntervalFuel(const Form1& form) { return CheckedAdd(form.fuel_carry().quantity, form.litres); }

// The cost per distance unit over the interval as the entry stands, so that
// the label follows every key, whichever keypad was used first.
void ComputeCostPerDistance(Form1& form) {
  const double cost = CheckedAdd(form.fuel_carry().cost, CheckedMultiply(form.litres, form.price));
  form.priceperkm = CheckedDivide(cost, form.Number(form.trip_total));
  WorkedFiguresToWrite(form).cost = true;
}

// Consumption from the interval's fuel and the distance since the last full tank.
void ComputeConsumption(Form1& form) {
  const double fuel = IntervalFuel(form);
  form.litres_per_100km = CheckedMultiply(CheckedDivide(fuel, form.Number(form.trip_total)), 100.0);
  form.mpg = CheckedDivide(form.Number(form.trip_total), fuel);
  WorkedFiguresToWrite(form).consumption = true;
}

// An entry that shows a figure fails as the arithmetic does; one that shows
// none (partial, or missed) needs no distance and no quantity above 0, so a
// step that cannot be worked out leaves the figure unworked.
template <typename Compute>
void Figure(Form1& form, Compute compute) {
  if (form.fuel_carry().figure == FuelFigure::kShown) {
    compute(form);
    return;
  }
  try {
    compute(form);
  } catch (const Error&) {
  }
}

// The character a key appends: its digit, or for the decimal key the user's
// own decimal mark, so that "35.2" keyed by a decimal-comma user reads 35,2.
char EntryCharacter(const Form1& form, char key) { return key == '.' ? form.decimal_mark() : key; }

// A key of the entry: the labels show what the entry's marks say, no longer
// what the fill-up accepted before showed.
void ShowEntry(Form1& form) {
  FuelCarry carry = form.fuel_carry();
  carry.figure = EntryFigure(carry);
  StoreFuelCarry(form, carry);
}

void QuantityKey(Form1& form, char key) {
  ShowEntry(form);
  form.myosk += EntryCharacter(form, key);
  form.litres = form.Number(form.myosk);
  Figure(form, ComputeConsumption);
  Figure(form, ComputeCostPerDistance);
}

void PriceKey(Form1& form, char key) {
  ShowEntry(form);
  form.myosk2 += EntryCharacter(form, key);
  form.price = form.Number(form.myosk2);
  Figure(form, ComputeCostPerDistance);
}

// A mark's key: turns it on or off. The figures are worked out again where
// they can be, so that taking a mark off shows them; a mark's key never fails.
void MarkKey(Form1& form, bool FuelCarry::*mark) {
  FuelCarry carry = form.fuel_carry();
  carry.*mark = !(carry.*mark);
  carry.figure = EntryFigure(carry);
  StoreFuelCarry(form, carry);
  try {
    ComputeConsumption(form);
    ComputeCostPerDistance(form);
  } catch (const Error&) {
  }
}

void QuantityClear(Form1& form) {
  form.myosk.clear();
  form.litres_per_100km = 0.0;
  form.mpg = 0.0;
  FuelCarry carry = form.fuel_carry();
  carry.partial_mark = false;
  carry.missed_mark = false;
  carry.figure = EntryFigure(carry);
  StoreFuelCarry(form, carry);
  WorkedFiguresToWrite(form).consumption = false;
}

std::string FuelRecord(Form1& form, FuelMark mark) {
  const LocalTime now = CurrentPlatform().Now();
  FuelLogRecord record;
  record.date = RecordDate(now.year, now.month, now.day);
  record.time = RecordTime(now.seconds_since_midnight);
  record.quantity = form.litres;
  record.distance = RoundHalfEven(form.Number(form.trip_total), 2);
  record.price = form.price;
  if (!mark.any()) {
    const double consumption = form.metric_units ? form.litres_per_100km : form.mpg;
    // The consumption is the one figure written as text, in the user's format.
    record.consumption = form.Text(RoundHalfEven(consumption, form.dp));
    record.cost_per_distance = RoundHalfEven(form.priceperkm, 2);
  }
  record.latitude = form.gpslat;
  record.longitude = form.gpslon;
  record.place = form.city;
  record.mark = mark;
  return WriteFuelRecord(record);
}

void AcceptFillUp(Form1& form) {
  FuelCarry carry = form.fuel_carry();
  const FuelMark mark{carry.partial_mark, carry.missed_mark || carry.missed};
  carry.figure = EntryFigure(carry);
  StoreFuelCarry(form, carry);  // what the labels show: nothing for the file
  form.litres = form.Number(form.myosk);
  Figure(form, ComputeConsumption);
  Figure(form, ComputeCostPerDistance);
  // Worked out as the figures were, before anything is logged.
  const double full_tank_consumption =
      mark.any() ? 0.0 : CheckedDivide(IntervalFuel(form), form.Number(form.trip_total));
  SendToHost(kHostWindowTitle, kRoadRequest);
  CurrentPlatform().AppendToFile(form.trezikdir + kFuelLogFileName, FuelRecord(form, mark));
  carry.partial_mark = false;
  carry.missed_mark = false;
  if (mark.partial) {
    // The tank is not full: its fuel and cost wait for the next full tank,
    // over the same distance, which goes on.
    carry.quantity += form.litres;
    carry.cost += form.litres * form.price;
    carry.missed = mark.missed;
    carry.total_at = form.Number(form.trip_total);
    form.litres = 0.0;
    // The meters first: a carry whose total the file's exceeds is dropped.
    AutoSaveMeters(form);
    StoreFuelCarry(form, carry);
  } else {
    // A full tank: its consumption is kept for the range (none is known
    // over an interval with a missed fill-up), and the next distance starts
    // here.
    carry.consumption = full_tank_consumption;
    form.litres = 0.0;
    form.trip_total = "0";
    form.distance = "0";
    form.maxspeed = 0.0;
    form.NoteTripStart();
    SaveReset(form, SavedMeter::kTotal);
    carry.quantity = 0.0;
    carry.cost = 0.0;
    carry.missed = false;
    carry.total_at = 0.0;
    StoreFuelCarry(form, carry);
  }
  SendToHost(kKeypadCloseWindowTitle, kKeypadCloseCommand);
}

}  // namespace

WorkedFigures& WorkedFiguresToWrite(Form1& form) { return form.worked_figures_; }

void DropCarriedFuel(Form1& form) {
  FuelCarry carry = form.fuel_carry();
  carry.quantity = 0.0;
  carry.cost = 0.0;
  carry.missed = false;
  carry.total_at = 0.0;
  carry.figure = EntryFigure(carry);
  StoreFuelCarry(form, carry);
}

std::optional<std::int16_t> RunFuelKey(Form1& form, const std::string& command) {
  const std::optional<vocabulary::Key> key = vocabulary::FindKeypadKey(command);
  if (!key) return std::nullopt;
  switch (key->key) {
    case vocabulary::KeypadKey::kQuantity:
      QuantityKey(form, key->character);
      return 2;
    case vocabulary::KeypadKey::kQuantityClear:
      QuantityClear(form);
      return 2;
    case vocabulary::KeypadKey::kPrice:
      PriceKey(form, key->character);
      return 2;
    case vocabulary::KeypadKey::kPriceClear:
      form.myosk2.clear();
      form.price = 0.0;
      return 2;
    case vocabulary::KeypadKey::kAccept:
      AcceptFillUp(form);
      return 1;
    case vocabulary::KeypadKey::kPartial:
      MarkKey(form, &FuelCarry::partial_mark);
      return 2;
    case vocabulary::KeypadKey::kMissed:
      MarkKey(form, &FuelCarry::missed_mark);
      return 2;
  }
  return std::nullopt;
}

}  // namespace trezik
