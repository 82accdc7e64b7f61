#pragma once
// The security panel shown on a simulated gauge, every transfer in the bus trace.

#include <string>
#include <utility>
#include <vector>

#include "security/Authk18.h"
#include "support/SimBench.h"

namespace gaugecal::test {

using AuthId = security::Authk18::Id;

inline sim::Scenario WithFaults(sim::Scenario s, std::vector<sim::Fault> faults) {
  s.faults = std::move(faults);
  return s;
}

inline sim::Scenario InMode(DfType family, sim::SecurityMode mode) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.security = mode;
  return s;
}

class PanelBench : public SimBench {
 public:
  explicit PanelBench(sim::Scenario scenario) : SimBench(std::move(scenario)) {
    shown = panel.Show(Link());
  }
  const std::string& Text(AuthId id) const { return panel.Panel()[id].text; }
  bool Enabled(AuthId id) const { return panel.Panel()[id].enabled; }

  security::Authk18 panel;
  bool shown = false;
};

}  // namespace gaugecal::test
