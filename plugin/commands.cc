// The command dispatcher: the skin's buttons reach the plug-in here.
#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/fuel_keypad.h"
#include "plugin/log_line.h"
#include "plugin/pwextension.h"
#include "state/state_file.h"
#include "trip/engine.h"

namespace trezik {
namespace {

constexpr char kTripLogFileName[] = "tripmeter.log";

void LogTrip(Form1& form) {
  SendToHost(kHostWindowTitle, kRoadRequest);
  const LocalTime now = CurrentPlatform().Now();
  const double distance = RoundHalfEven(form.Number(form.distance), form.dp);
  const double total = RoundHalfEven(form.Number(form.trip_total), form.dp);
  const double work = RoundHalfEven(form.Number(form.workmeter), form.dp);
  const std::string record = LogLine()
                                 .Text(DateText(now))
                                 .Text(TimeText(now))
                                 .Number(distance)
                                 .Number(total)
                                 .Number(work)
                                 .Text(form.gpslat)
                                 .Text(form.gpslon)
                                 .Text(form.city)
                                 .Finish();
  CurrentPlatform().AppendToFile(form.trezikdir + kTripLogFileName, record);
}

}  // namespace

std::int16_t PWExtension::ProcessCommand(const std::string& cmd) {
  Form1& form = Form1::Get();
  const std::string command = ToLowerAscii(cmd);
  if (command == "resettrip") {
    form.distance = "0";
    form.startdate = form.SecondsSinceMidnightNow();
    form.maxspeed = 0.0;
    return 2;
  }
  if (command == "resettotal") {
    form.trip_total = "0";
    form.distance = "0";
    form.maxspeed = 0.0;
    form.startdate = form.SecondsSinceMidnightNow();
    SaveReset(form, SavedMeter::kTotal);
    return 2;
  }
  if (command == "resetwork") {
    form.workmeter = "0";
    SaveReset(form, SavedMeter::kWork);
    return 2;
  }
  if (command == "logtrip") {
    LogTrip(form);
    return 2;
  }
  if (command == "logwork") {
    form.workbool = !form.workbool;
    return 2;
  }
  if (command == "updatetrip") {
    UpdateTrip(form);
    return 2;
  }
  if (command == "updateini" || command == "savetrip") {
    form.UpdateINI();
    return 2;
  }
  if (auto result = RunFuelKey(form, command)) return *result;
  return 0;
}

}  // namespace trezik
