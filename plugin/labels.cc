// The texts of the skin's labels and the state of its indicator.
#include <optional>
#include <string>

#include "core/arithmetic.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/pwextension.h"
#include "contract/vocabulary.h"

namespace trezik {
namespace {

constexpr std::int32_t kSecondsPerDay = 86400;

std::string Rounded(const Form1& form, double value) {
  return form.Text(RoundHalfEven(value, form.dp));
}

// The average speed of the trip since startdate, in distance units per hour.
std::string AverageSpeed(const Form1& form) {
  const Form1::ClockReading now = form.ReadClock();
  std::int32_t elapsed = now.seconds - form.startdate;
  // startdate holds no date: a trip that began before midnight began yesterday.
  const bool crossed_midnight = elapsed < 0;
  if (crossed_midnight) elapsed += kSecondsPerDay;
  // The whole days beyond that, by the day the trip's time started on. A
  // clock set back to an earlier day adds none: the time of day alone rules.
  if (const std::optional<std::int64_t> start_day = form.trip_start_day()) {
    const std::int64_t whole_days = now.day - *start_day - (crossed_midnight ? 1 : 0);
    if (whole_days > 0) elapsed = ToInt32(static_cast<double>(elapsed) + static_cast<double>(whole_days) * kSecondsPerDay);
  }
  const double hours = elapsed / 3600.0;
  return std::to_string(ToInt32(CheckedDivide(form.Number(form.distance), hours)));
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
