#include "cli/LiveValues.h"

#include <array>

#include "calibration/Acquisition.h"
#include "calibration/DeviceMeasurements.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

LiveGroup FromDisplayGroup(const DisplayGroup& group) {
  LiveGroup out{group.name, {}};
  for (int32_t i = 0; i < group.itemCount && i < 16; ++i) {
    const DisplayItem& item = group.items[static_cast<size_t>(i)];
    out.rows.push_back({item.name, item.value, item.unit});
  }
  return out;
}

bool ReadMacGroups(std::vector<LiveGroup>& groups) {
  const bool ok = RefreshMODGroups() == 0;
  const auto& live = Module().LiveTable;
  for (int g : {kLiveVoltages, kLiveTemperatures, kLiveCurrent})
    groups.push_back(FromDisplayGroup(live[static_cast<size_t>(g)]));
  return ok;
}

// The readings the calibration page shows beside its boxes, as one group.
bool ReadMeasuredGroup(std::vector<LiveGroup>& groups) {
  const CalConfig& c = Module().calConfig;
  const DeviceMeasurements d = ReadDeviceMeasurements();
  LiveGroup group{"Measured", {}};
  const std::array<const char*, 4> stackNames = {"Cell 1", "Cell 1 + 2", "Cell 1 + 2 + 3",
                                                 "Cell 1 + 2 + 3 + 4"};
  for (size_t i = 0; i < d.stack.size(); ++i)
    group.rows.push_back({stackNames[i], d.stack[i], "mV"});
  if (c.DFType == DfType::CEDV_PLUS && (c.BatteryVSupported || c.PackVSupported)) {
    // Converter counts, as the raw block carries them: not millivolts.
    if (c.BatteryVSupported)
      group.rows.push_back({"Battery Voltage (raw)", d.battery, "--"});
    if (c.PackVSupported)
      group.rows.push_back({"Pack Voltage (raw)", d.pack, "--"});
  } else {
    if (c.BatteryVSupported)
      group.rows.push_back({"Battery Voltage", d.battery, "mV"});  // not reported by these gauges
    if (c.PackVSupported)
      group.rows.push_back({"Pack Voltage", d.pack, "mV"});
  }
  group.rows.push_back({"Pack Current", d.current, "mA"});
  const std::array<const char*, 3> sensors = {"Internal Temp", "Ext 1 Temp", "Ext 2 Temp"};
  const std::array<bool, 3> offered = {c.IntTSSupported, c.TS1Supported, c.TS2Supported};
  for (size_t i = 0; i < sensors.size(); ++i) {
    if (offered[i])
      group.rows.push_back({sensors[i], d.temperatures[i], "degC"});
  }
  // The battery row of these families always reads "Err_Rd"; that is no failed read.
  bool ok = true;
  for (const LiveRow& row : group.rows)
    ok = ok && (row.value != kErrRd || row.name == "Battery Voltage");
  groups.push_back(std::move(group));
  return ok;
}

}  // namespace

bool ReadLiveGroups(std::vector<LiveGroup>& groups) {
  if (Module().calConfig.DFType == DfType::RN44K18)
    return ReadMacGroups(groups);
  return ReadMeasuredGroup(groups);
}

}  // namespace gaugecal::cli
