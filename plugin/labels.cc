// The texts of the skin's labels and the state of its indicator.
#include <algorithm>
#include <optional>
#include <string>

#include "core/arithmetic.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/pwextension.h"
#include "contract/vocabulary.h"

namespace trezik {
namespace {

std::string Rounded(const Form1& form, double value) {
  return form.Text(RoundHalfEven(value, form.dp));
}

// The average speed of the trip, in distance units per hour.
std::string AverageSpeed(const Form1& form) {
  const double hours = form.TripSeconds() / 3600.0;
  return std::to_string(ToInt32(CheckedDivide(form.Number(form.distance), hours)));
}

// The time the trip has lasted, h:mm, the minutes begun not counted.
std::string TripTime(const Form1& form) {
  const std::int32_t minutes = form.TripSeconds() / 60;
  const std::int32_t hours = minutes / 60;
  const std::int32_t rest = minutes % 60;
  return std::to_string(hours) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

// How far the fuel in the tank still goes at the last full tank's
// consumption: the tank, less what the distance since then used, plus the
// partial fill-ups since, never above the tank nor below 0.
std::string Range(const Form1& form) {
  const double tank = form.options().tank;
  if (tank <= 0.0) return "";
  const FuelCarry& carry = form.fuel_carry();
  if (carry.consumption <= 0.0) return std::string(vocabulary::kUnknownFigureText);
  const double used = CheckedMultiply(form.Number(form.trip_total), carry.consumption);
  const double left = std::clamp(CheckedAdd(tank - used, carry.quantity), 0.0, tank);
  return Rounded(form, CheckedDivide(left, carry.consumption));
}

// What the consumption labels show in place of a figure, if they show none.
std::optional<std::string> NoFigure(const Form1& form) {
  switch (form.fuel_carry().figure) {
    case FuelFigure::kPartial: return std::string(vocabulary::kPartialFigureText);
    case FuelFigure::kUnknown: return std::string(vocabulary::kUnknownFigureText);
    case FuelFigure::kShown: break;
  }
  return std::nullopt;
}

// The marks of the entry on the keypad.
std::string MarkText(const Form1& form) {
  std::string text;
  if (form.fuel_carry().partial_mark) text = vocabulary::kPartialMarkText;
  if (form.fuel_carry().missed_mark) text += (text.empty() ? "" : " ") + std::string(vocabulary::kMissedMarkText);
  return text;
}

}  // namespace

std::string PWExtension::ReturnLabel(const std::string& lbl, const std::string& /*fmt*/) {
  const Form1& form = Form1::Get();
  const std::optional<vocabulary::Label> label = vocabulary::FindLabel(lbl);
  if (!label) return "";
  const bool metric = form.metric_units;
  switch (*label) {
    case vocabulary::Label::kTripMeter: return Rounded(form, form.Number(form.distance));
    case vocabulary::Label::kTripTotal: return Rounded(form, form.Number(form.trip_total));
    case vocabulary::Label::kWorkMeter: return Rounded(form, form.Number(form.workmeter));
    case vocabulary::Label::kAverageSpeed: return AverageSpeed(form);
    case vocabulary::Label::kMaxSpeed: return form.Text(form.maxspeed);
    case vocabulary::Label::kFuelEntry: return form.myosk;
    case vocabulary::Label::kSpeedUnits: return metric ? "Km/h" : "MPH";
    case vocabulary::Label::kVolumeUnits: return metric ? "LITRES" : "GAL";
    case vocabulary::Label::kConsumptionUnits: return metric ? "L/100KM" : "MPG";
    case vocabulary::Label::kDistanceUnit: return metric ? "Km" : "Mi";
    case vocabulary::Label::kConsumption:
      if (auto text = NoFigure(form)) return *text;
      return Rounded(form, metric ? form.litres_per_100km : form.mpg);
    case vocabulary::Label::kUnitPrice: return form.myosk2;
    case vocabulary::Label::kCostPerDistance:
      if (auto text = NoFigure(form)) return *text;
      return Rounded(form, form.priceperkm);
    case vocabulary::Label::kFillUpMark: return MarkText(form);
    case vocabulary::Label::kTripTime: return TripTime(form);
    case vocabulary::Label::kRange: return Range(form);
  }
  return "";
}

std::string PWExtension::ReturnIndicator(const std::string& ind) {
  const Form1& form = Form1::Get();
  const std::string name = ToLowerAscii(ind);
  auto shown = [](bool on) { return std::string(on ? vocabulary::kIndicatorOn : vocabulary::kIndicatorOff); };
  if (name == vocabulary::kWorkIndicator) return shown(form.workbool);
  if (name == vocabulary::kPartialIndicator) return shown(form.fuel_carry().partial_mark);
  if (name == vocabulary::kMissedIndicator) return shown(form.fuel_carry().missed_mark);
  return shown(false);
}

}  // namespace trezik
