// The bus adapters the tool can open: for now the simulated gauges, "sim:FAMILY".

#include "cli/Adapter.h"

#include "sim/ScenarioJson.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::cli {

namespace {

constexpr const char* kSimPrefix = "sim:";
constexpr const char* kKnownAdapters = "sim:CEDV, sim:QSPAN, sim:RN44K18 or sim:CEDV_PLUS";

}  // namespace

std::unique_ptr<HostLink> OpenAdapter(const std::string& adapterName,
                                      const std::string& scenarioFile, Platform& platform,
                                      std::string& error, bool& inUse) {
  const std::string prefix = kSimPrefix;
  const std::optional<DfType> family = adapterName.rfind(prefix, 0) == 0
                                           ? sim::ParseFamily(adapterName.substr(prefix.size()))
                                           : std::nullopt;
  if (!family) {
    error = "unknown adapter \"" + adapterName + "\" (known: " + kKnownAdapters + ")";
    return nullptr;
  }
  // The adapter names the family; a scenario file may leave "family" out or must agree.
  std::optional<sim::Scenario> scenario = sim::DefaultScenario(*family);
  if (!scenarioFile.empty()) {
    scenario = sim::LoadScenarioFile(scenarioFile, family, error);
    if (!scenario)
      return nullptr;
  }
  std::unique_ptr<sim::SimulatedGauge> gauge =
      sim::OpenGauge(std::move(*scenario), platform, error, &inUse);
  if (inUse)
    error = adapterName + ": " + error;
  else if (!gauge && !scenarioFile.empty())
    error = scenarioFile + ": " + error;
  return gauge;
}

}  // namespace gaugecal::cli
