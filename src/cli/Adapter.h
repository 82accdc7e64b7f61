#pragma once
// Opens the bus adapter named by --adapter ("sim:FAMILY" for a simulated gauge).

#include <memory>
#include <string>

#include "device/HostLink.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::cli {

// Returns nullptr and sets error (naming the adapter or the scenario file and the problem)
// when the adapter cannot be opened; inUse when another process holds it.
std::unique_ptr<HostLink> OpenAdapter(const std::string& adapterName,
                                      const std::string& scenarioFile, Platform& platform,
                                      std::string& error, bool& inUse);

}  // namespace gaugecal::cli
