#pragma once
// The security panel shown on a simulated gauge, every transfer in the bus trace.

#include <string>
#include <vector>

#include "security/Authk18.h"
#include "security/HexText.h"
#include "sim/KeyedDigest.h"
#include "support/SimBench.h"

namespace gaugecal::test {

using AuthId = security::Authk18::Id;
using Texts = std::vector<std::string>;

inline sim::Scenario Gauge(DfType family, sim::SecurityMode mode, std::vector<sim::Fault> faults) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.security = mode;
  s.faults = std::move(faults);
  return s;
}

inline std::string Joined(const Texts& texts, const char* separator = " ") {
  std::string out;
  for (const std::string& s : texts)
    out += (out.empty() ? "" : separator) + s;
  return out;
}

// 40 hex digits with their byte order turned round, as the bus carries a challenge.
inline std::string WireOrder(const std::string& hex) {
  sim::Digest bytes{};
  EXPECT_TRUE(security::str2byte(hex, bytes, bytes.size())) << hex;
  return HexBytes(sim::Reversed(bytes));
}

struct PanelBench : SimBench {
  explicit PanelBench(sim::Scenario scenario) : SimBench(std::move(scenario)) {
    shown = panel.Show(Link());
  }
  const std::string& Text(AuthId id) const { return panel.Panel()[id].text; }

  security::Authk18 panel;
  bool shown = false;
};

}  // namespace gaugecal::test
