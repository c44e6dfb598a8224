// The skin's side of the run: the labels it reads, and the script steps it
// presses with what the plug-in appended to its logs during each.
#include <algorithm>

#include "core/convert.h"
#include "contract/log_record.h"
#include "contract/names.h"
#include "contract/vocabulary.h"
#include "tools/simulator/log_files.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/simulation_session.h"

namespace trezik::drive {

Labels ReadLabels(DriveSession& session) {
  Labels labels;
  using vocabulary::Label;
  auto label = [&](Label shown) { return session.Label(vocabulary::NameOf(shown)); };
  labels.tripmeter = label(Label::kTripMeter);
  labels.triptotal = label(Label::kTripTotal);
  labels.workmeter = label(Label::kWorkMeter);
  labels.avspeed = label(Label::kAverageSpeed);
  labels.maxspeed = label(Label::kMaxSpeed);
  labels.mpg = label(Label::kConsumption);
  labels.costperdist = label(Label::kCostPerDistance);
  labels.distunit = label(Label::kDistanceUnit);
  labels.speedunits = label(Label::kSpeedUnits);
  labels.consumpunits = label(Label::kConsumptionUnits);
  labels.workrec = session.Indicator(vocabulary::kWorkIndicator);
  return labels;
}

Labels Simulation::ShowLabels(DriveSession& session) const {
  Labels labels = ReadLabels(session);
  for (const vocabulary::LabelName& label : vocabulary::kLabels) labels.every.push_back(session.Label(label.name));
  Notify([&](SimulationObserver& o) { o.OnLabelsShown(labels); });
  return labels;
}

void Simulation::RunSteps(DriveSession& session, int when, int shown_second, SimulationResult& result) const {
  auto record = [&](const std::string& text, bool failed) {
    const Event event{shown_second, text, failed};
    result.events.push_back(event);
    Notify([&](SimulationObserver& o) { o.OnEvent(event); });
  };
  for (const ScriptStep* step : script_.DueAt(when)) {
    if (step->kind == ScriptStep::Kind::kRoad) {
      const std::string& road = step->commands[0];
      session.host().SetRoad(road);
      Notify([&](SimulationObserver& o) { o.OnRoad(road); });
      record("road " + road, false);
      continue;
    }
    if (step->kind == ScriptStep::Kind::kState) continue;
    // What the plug-in appends to its logs during the step.
    std::uintmax_t fuel_size = FileSizeOrZero(result.fuel_log);
    std::uintmax_t trip_size = FileSizeOrZero(result.tripmeter_log);
    std::string outcome;
    bool failed = false;
    for (const std::string& command : step->commands) {
      const CommandOutcome done = session.Command(command);
      Notify([&](SimulationObserver& o) { o.OnCommand(done); });
      if (!done.code) {
        failed = true;
        outcome += " " + command + " failed: " + done.error_kind;
      } else if (*done.code == 0) {
        failed = true;
        outcome += " " + command + " -> 0 (not a command)";
      }
    }
    bool logged = false;
    for (std::string& line : NewRecords(result.fuel_log, fuel_size)) {
      const std::optional<FuelLogFields> fields = ReadFuelRecord(line);
      result.fill_ups.push_back({shown_second, fields ? fields->quantity : "", fields ? fields->price : "",
                                 std::move(line), ""});
      logged = true;
    }
    for (std::string& line : NewRecords(result.tripmeter_log, trip_size)) {
      result.trip_records.push_back({shown_second, std::move(line)});
    }
    const bool keyed_ok = std::any_of(step->commands.begin(), step->commands.end(),
                                      [](const std::string& command) { return ToLowerAscii(command) == vocabulary::kAcceptKey; });
    if (keyed_ok && !logged) {
      result.fill_ups.push_back({shown_second, step->fill_up_quantity, step->fill_up_price, "",
                                 failed ? outcome.substr(1) : std::string("no ") + kFuelLogFileName + " record"});
    }
    // The step as written, without its time.
    std::string text = step->source.substr(step->source.find_first_of(" \t"));
    text = text.substr(text.find_first_not_of(" \t"));
    record(text + (failed ? ":" + outcome : ""), failed);
  }
}

}  // namespace trezik::drive
