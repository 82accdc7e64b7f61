// scan: the bus adapters found on this machine and, on each, whether a gauge answers at 0x17.
// The only transfers are the device-type subcommand and the read of its answer.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "adapters/OpenAdapter.h"
#include "adapters/Scan.h"
#include "cli/Commands.h"

namespace gaugecal::cli {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string Finding(const adapters::ScanResult& r) {
  if (!r.openError.empty())
    return "cannot open: " + r.openError;
  return r.deviceType ? "gauge at 0x17, device type " + Hex4(*r.deviceType)
                      : "no gauge answers at 0x17";
}

int RunScan(CliContext& c) {
  const std::vector<adapters::ScanResult> found =
      adapters::ScanAdapters(adapters::RealDrivers(c.platform));
  if (c.options.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const adapters::ScanResult& r : found) {
      nlohmann::ordered_json j;
      j["adapter"] = r.adapter.name;
      j["description"] = r.adapter.description;
      j["gauge"] = r.deviceType.has_value();
      j["deviceType"] = r.deviceType ? Hex4(*r.deviceType) : "";
      j["error"] = r.openError;
      list.push_back(j);
    }
    c.report.Result({{"adapters", list}});
    return kExitOk;
  }
  if (found.empty())
    c.out << "No adapters found (no i2c-dev buses, no CP2112 bridges).\n";
  for (const adapters::ScanResult& r : found)
    c.out << r.adapter.name << "  " << r.adapter.description << ": " << Finding(r) << "\n";
  return kExitOk;
}

}  // namespace

void AddScanCommand(CommandSet& commands) {
  commands.AddWithoutGauge(
      "scan", "list the bus adapters found and whether a gauge answers at 0x17 on each", RunScan);
}

}  // namespace gaugecal::cli
