// The run as a scenario for the Windows test host (tools/testhost/): one
// instruction per line, as the host did it ("pwpath", "road", "fix",
// "create", "tick", "command", "label", "indicator", "release"), and beside
// it a transcript of what each "command", "label" and "indicator"
// instruction gave in this run ("label tripmeter -> 24.03"), so that a run of
// the real DLL can be compared with it.
#pragma once

#include <ostream>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

class ScenarioWriter : public SimulationObserver {
 public:
  ScenarioWriter(std::ostream& scenario, std::ostream& transcript)
      : scenario_(scenario), transcript_(transcript) {}

  void OnSetUp(const Simulation& simulation, const std::string& pwpath) override;
  void OnRoad(const std::string& road) override;
  void OnFix(const std::string& latitude, const std::string& longitude,
             const std::string& speed) override;
  void OnCreate() override;
  void OnTick(const TickRecord& tick, const std::function<Labels()>& labels) override;
  void OnCommand(const CommandOutcome& outcome) override;
  void OnLabelsShown(const Labels& labels) override;
  void OnRelease() override;

 private:
  std::ostream& scenario_;
  std::ostream& transcript_;
};

}  // namespace trezik::drive
