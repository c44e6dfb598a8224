// The texts of the skin's labels and the state of its indicator.
#include <string>

#include "core/arithmetic.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/pwextension.h"

namespace trezik {
namespace {

constexpr std::int32_t kSecondsPerDay = 86400;

std::string Rounded(const Form1& form, double value) {
  return form.Text(RoundHalfEven(value, form.dp));
}

// The average speed of the trip since startdate, in distance units per hour.
std::string AverageSpeed(const Form1& form) {
  std::int32_t elapsed = form.SecondsSinceMidnightNow() - form.startdate;
  // startdate holds no date: a trip that began before midnight began yesterday.
  if (elapsed < 0) elapsed += kSecondsPerDay;
  const double hours = elapsed / 3600.0;
  return std::to_string(ToInt32(CheckedDivide(form.Number(form.distance), hours)));
}

}  // namespace

std::string PWExtension::ReturnLabel(const std::string& lbl, const std::string& /*fmt*/) {
  const Form1& form = Form1::Get();
  const std::string name = ToLowerAscii(lbl);
  const bool metric = form.metric_units;
  if (name == "tripmeter") return Rounded(form, form.Number(form.distance));
  if (name == "triptotal") return Rounded(form, form.Number(form.trip_total));
  if (name == "workmeter") return Rounded(form, form.Number(form.workmeter));
  if (name == "avspeed") return AverageSpeed(form);
  if (name == "maxspeed") return form.Text(form.maxspeed);
  if (name == "fuelunits") return form.myosk;
  if (name == "speedunits") return metric ? "Km/h" : "MPH";
  if (name == "volunits") return metric ? "LITRES" : "GAL";
  if (name == "consumpunits") return metric ? "L/100KM" : "MPG";
  if (name == "trezik_distunit") return metric ? "Km" : "Mi";
  if (name == "mpg") return Rounded(form, metric ? form.litres_per_100km : form.mpg);
  if (name == "trezik_unitprice") return form.myosk2;
  if (name == "trezik_costperdist") return Rounded(form, form.priceperkm);
  return "";
}

std::string PWExtension::ReturnIndicator(const std::string& ind) {
  const Form1& form = Form1::Get();
  if (ToLowerAscii(ind) == "workrec") return form.workbool ? "True" : "False";
  return "False";
}

}  // namespace trezik
