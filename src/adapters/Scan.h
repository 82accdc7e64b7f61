#pragma once
// What `gaugecal scan` finds: every adapter the drivers list and, on each, whether a gauge
// answers at 0x17 with its device type. The only write is the device-type subcommand to the
// manufacturer access register.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/Adapter.h"

namespace gaugecal::adapters {

struct ScanResult {
  AttachedAdapter adapter;             // described as opened, when it opened
  std::string openError;               // the adapter could not be opened
  std::optional<uint16_t> deviceType;  // the gauge's answer, when one answered
};

std::vector<ScanResult> ScanAdapters(const std::vector<std::unique_ptr<AdapterDriver>>& drivers);

}  // namespace gaugecal::adapters
