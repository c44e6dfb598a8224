#include "plugin/fuel_keypad.h"

#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "core/arithmetic.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/log_line.h"
#include "plugin/vocabulary.h"
#include "state/state_file.h"

namespace trezik {
namespace {

// The cost per distance unit of the entry as it stands, so that the label
// follows every key, whichever keypad was used first.
void ComputeCostPerDistance(Form1& form) {
  form.priceperkm = CheckedDivide(CheckedMultiply(form.litres, form.price), form.Number(form.trip_total));
}

// Consumption from the quantity and the distance since the last fill-up.
void ComputeConsumption(Form1& form) {
  form.litres_per_100km = CheckedMultiply(CheckedDivide(form.litres, form.Number(form.trip_total)), 100.0);
  form.mpg = CheckedDivide(form.Number(form.trip_total), form.litres);
}

// The character a key appends: its digit, or for the decimal key the user's
// own decimal mark, so that "35.2" keyed by a decimal-comma user reads 35,2.
char EntryCharacter(const Form1& form, char key) { return key == '.' ? form.decimal_mark() : key; }

void QuantityKey(Form1& form, char key) {
  form.myosk += EntryCharacter(form, key);
  form.litres = form.Number(form.myosk);
  ComputeConsumption(form);
  ComputeCostPerDistance(form);
}

void PriceKey(Form1& form, char key) {
  form.myosk2 += EntryCharacter(form, key);
  form.price = form.Number(form.myosk2);
  ComputeCostPerDistance(form);
}

std::string FuelRecord(Form1& form) {
  const double consumption = form.metric_units ? form.litres_per_100km : form.mpg;
  // The consumption is the one figure written as text, in the user's format.
  const std::string consumption_text = form.Text(RoundHalfEven(consumption, form.dp));
  const double total = RoundHalfEven(form.Number(form.trip_total), 2);
  const double cost = RoundHalfEven(form.priceperkm, 2);
  const LocalTime now = CurrentPlatform().Now();
  return LogLine()
      .Text(DateText(now))
      .Text(TimeText(now))
      .Number(form.litres)
      .Number(total)
      .Text(consumption_text)
      .Number(form.price)
      .Number(cost)
      .Text(form.gpslat)
      .Text(form.gpslon)
      .Text(form.city)
      .Finish();
}

void AcceptFillUp(Form1& form) {
  form.litres = form.Number(form.myosk);
  ComputeConsumption(form);
  ComputeCostPerDistance(form);
  SendToHost(kHostWindowTitle, kRoadRequest);
  CurrentPlatform().AppendToFile(form.trezikdir + kFuelLogFileName, FuelRecord(form));
  // The next distance starts here.
  form.litres = 0.0;
  form.trip_total = "0";
  form.distance = "0";
  form.maxspeed = 0.0;
  form.startdate = form.SecondsSinceMidnightNow();
  SaveReset(form, SavedMeter::kTotal);
  SendToHost(kKeypadCloseWindowTitle, kKeypadCloseCommand);
}

}  // namespace

std::optional<std::int16_t> RunFuelKey(Form1& form, const std::string& command) {
  const std::optional<vocabulary::Key> key = vocabulary::FindKeypadKey(command);
  if (!key) return std::nullopt;
  switch (key->key) {
    case vocabulary::KeypadKey::kQuantity:
      QuantityKey(form, key->character);
      return 2;
    case vocabulary::KeypadKey::kQuantityClear:
      form.myosk.clear();
      form.litres_per_100km = 0.0;
      form.mpg = 0.0;
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
  }
  return std::nullopt;
}

}  // namespace trezik
