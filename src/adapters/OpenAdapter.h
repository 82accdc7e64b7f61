#pragma once
// Opens what an --adapter name asks for: the simulated gauge itself, a real adapter, or an
// emulated adapter with the scenario's gauge behind it; and the drivers of the real adapters.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapters/Adapter.h"
#include "device/HostLink.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::sim {
class SimulatedGauge;
}

namespace gaugecal::adapters {

using WarningSink = std::function<void(const std::string&)>;

// What OpenAdapter opened: the host link, and the simulated gauge on it when there is one
// (sim:, i2c-sim:, cp2112-sim:), owned by the link, for tools that set up the simulated pack.
struct OpenedAdapter {
  std::unique_ptr<HostLink> link;
  sim::SimulatedGauge* gauge = nullptr;
  bool inUse = false;  // refused: another process holds the adapter (or the gauge's file)
};

// No link and a message naming the adapter or the scenario file and the problem when it
// cannot be opened. Every adapter that another process could reach is locked for this one
// before it is opened; when another holds it, nothing is opened and inUse is set. Warnings of
// the adapter while it runs go to warn.
OpenedAdapter OpenAdapter(const std::string& name, const std::string& scenarioFile,
                          Platform& platform, const WarningSink& warn, std::string& error);

// The drivers of the adapters this system can have: i2c-dev (Linux) and the CP2112.
std::vector<std::unique_ptr<AdapterDriver>> RealDrivers(Platform& platform);

}  // namespace gaugecal::adapters
