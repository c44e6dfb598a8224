// The command dispatcher: the skin's buttons reach the plug-in here.
#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "core/convert.h"
#include "state/form1.h"
#include "plugin/fuel_keypad.h"
#include "contract/log_line.h"
#include "contract/log_record.h"
#include "contract/names.h"
#include "plugin/pwextension.h"
#include "contract/vocabulary.h"
#include "state/state_file.h"
#include "trip/engine.h"

namespace trezik {
namespace {

void LogTrip(Form1& form) {
  SendToHost(kHostWindowTitle, kRoadRequest);
  const LocalTime now = CurrentPlatform().Now();
  const double distance = RoundHalfEven(form.Number(form.distance), form.dp);
  const double total = RoundHalfEven(form.Number(form.trip_total), form.dp);
  const double work = RoundHalfEven(form.Number(form.workmeter), form.dp);
  const std::string record =
      WriteTripRecord({RecordDate(now.year, now.month, now.day), RecordTime(now.seconds_since_midnight), distance,
                       total, work, form.gpslat, form.gpslon, form.city});
  CurrentPlatform().AppendToFile(form.trezikdir + kTripLogFileName, record);
}

}  // namespace

std::int16_t PWExtension::ProcessCommand(const std::string& cmd) {
  Form1& form = Form1::Get();
  const std::optional<vocabulary::Command> command = vocabulary::FindCommand(cmd);
  if (!command) {
    if (auto result = RunFuelKey(form, cmd)) return *result;
    return 0;
  }
  switch (*command) {
    case vocabulary::Command::kResetTrip:
      form.distance = "0";
      form.NoteTripStart();
      form.maxspeed = 0.0;
      break;
    case vocabulary::Command::kResetTotal:
      form.trip_total = "0";
      form.distance = "0";
      form.maxspeed = 0.0;
      form.NoteTripStart();
      SaveReset(form, SavedMeter::kTotal);
      DropCarriedFuel(form);
      break;
    case vocabulary::Command::kResetWork:
      form.workmeter = "0";
      SaveReset(form, SavedMeter::kWork);
      break;
    case vocabulary::Command::kLogTrip:
      LogTrip(form);
      break;
    case vocabulary::Command::kLogWork:
      form.workbool = !form.workbool;
      break;
    case vocabulary::Command::kUpdateTrip:
      UpdateTrip(form);
      break;
    case vocabulary::Command::kUpdateIni:
    case vocabulary::Command::kSaveTrip:
      form.UpdateINI();
      break;
  }
  return 2;
}

}  // namespace trezik
