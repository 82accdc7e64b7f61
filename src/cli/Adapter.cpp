// The bus adapters the tool can open: simulated gauges, real adapters and their emulations
// (adapters/OpenAdapter.h).

#include "cli/Adapter.h"

#include "adapters/OpenAdapter.h"

namespace gaugecal::cli {

std::unique_ptr<HostLink> OpenAdapter(const std::string& adapterName,
                                      const std::string& scenarioFile, Platform& platform,
                                      std::string& error) {
  return adapters::OpenAdapter(adapterName, scenarioFile, platform, nullptr, error);
}

}  // namespace gaugecal::cli
