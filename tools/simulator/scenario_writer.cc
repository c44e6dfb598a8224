#include "tools/simulator/scenario_writer.h"

#include <utility>

#include "contract/names.h"
#include "contract/settings.h"
#include "contract/vocabulary.h"

namespace trezik::drive {

void ScenarioWriter::OnSetUp(const Simulation& simulation, const std::string& pwpath) {
  const SimulationOptions& options = simulation.options();
  const Script& script = simulation.script();
  scenario_ << "# trezik-drive scenario: " << simulation.drive().path
            << (script.path.empty() ? "" : ", script " + script.path) << "\n";
  // The files the plug-in finds at start-up, for whoever replays this.
  scenario_ << "# trezik-drive setup: " << kHostSettingsFileName << " " << kIsUnitsKey << "="
            << (options.metric_units ? kTrueWord : kFalseWord) << "\n";
  if (options.decimal_places) {
    scenario_ << "# trezik-drive setup: " << kPluginSettingsFileName << " " << kDecimalPlacesKey << "="
              << *options.decimal_places << "\n";
  }
  for (const std::string& line : options.plugin_settings) {
    scenario_ << "# trezik-drive setup: " << kPluginSettingsFileName << " " << line << "\n";
  }
  for (const ScriptStep* step : script.DueAt(ScriptStep::kBefore)) {
    scenario_ << "# trezik-drive setup: " << kTripStateFileName << " " << step->commands[0] << " "
              << step->commands[1] << "\n";
  }
  scenario_ << "pwpath " << pwpath << "\n";
}

void ScenarioWriter::OnRoad(const std::string& road) { scenario_ << "road " << road << "\n"; }

void ScenarioWriter::OnFix(const std::string& latitude, const std::string& longitude,
                           const std::string& speed) {
  scenario_ << "fix " << latitude << " " << longitude << " " << speed << "\n";
}

void ScenarioWriter::OnCreate() { scenario_ << "create\n"; }

void ScenarioWriter::OnTick(const TickRecord&, const std::function<Labels()>&) {
  scenario_ << "tick\n";
}

void ScenarioWriter::OnCommand(const CommandOutcome& outcome) {
  scenario_ << "command " << outcome.command << "\n";
  transcript_ << "command " << outcome.command << " -> "
              << (outcome.code ? std::to_string(*outcome.code) : "error " + outcome.error_kind)
              << "\n";
}

// "avspeed" is left out: it depends on the clock.
void ScenarioWriter::OnLabelsShown(const Labels& labels) {
  using vocabulary::Label;
  const std::pair<Label, const std::string*> shown[] = {
      {Label::kTripMeter, &labels.tripmeter}, {Label::kTripTotal, &labels.triptotal},
      {Label::kWorkMeter, &labels.workmeter}, {Label::kMaxSpeed, &labels.maxspeed},
      {Label::kConsumption, &labels.mpg},     {Label::kCostPerDistance, &labels.costperdist}};
  for (const auto& [label, text] : shown) {
    const std::string_view name = vocabulary::NameOf(label);
    scenario_ << "label " << name << "\n";
    transcript_ << "label " << name << " -> " << *text << "\n";
  }
  scenario_ << "indicator " << vocabulary::kWorkIndicator << "\n";
  transcript_ << "indicator " << vocabulary::kWorkIndicator << " -> " << labels.workrec << "\n";
}

void ScenarioWriter::OnRelease() { scenario_ << "release\n"; }

}  // namespace trezik::drive
