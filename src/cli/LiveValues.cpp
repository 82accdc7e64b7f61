#include "cli/LiveValues.h"

#include <array>

#include "calibration/Acquisition.h"
#include "calibration/DeviceMeasurements.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

constexpr int16_t kTemperatureCommand = 0x08;
constexpr int16_t kCurrentCommand = 0x0A;
constexpr size_t kRawPackVoltage = 22;
constexpr size_t kRawBatteryVoltage = 24;

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

// Degrees Celsius from a word in 0.1 K, or "Err_Rd".
std::string Celsius(const std::string& word) {
  const auto w = ParseDecimal(word);
  return w ? Format00_0((*w - 2732.0) / 10.0) : std::string(kErrRd);
}

std::string ReadWord(int16_t command, bool isSigned, bool& ok) {
  ModuleState& m = Module();
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (m.hostLink->ReadSMBusWord(command, msb, lsb, m.SmbAddress) != 0) {
    ok = false;
    return kErrRd;
  }
  return std::to_string(isSigned ? BytesToInt16(msb, lsb) : msb * 256 + lsb);
}

std::string Measure(const std::string& commandText, bool& ok) {
  std::string value;
  if (readmeasurementfromdevice(commandText, "U2", value) != 0 || value == kErrRd) {
    ok = false;
    return kErrRd;
  }
  return value;
}

bool ReadMeasuredGroup(std::vector<LiveGroup>& groups) {
  const CalConfig& c = Module().calConfig;
  bool ok = true;
  LiveGroup group{"Measured", {}};

  std::array<std::string, 4> stack;
  if (c.DFType == DfType::CEDV) {
    ReadStackVoltages(stack[0], stack[1], stack[2], stack[3]);
  } else {
    ReadAltStackVoltages(stack[0], stack[1], stack[2], stack[3]);
  }
  const std::array<const char*, 4> stackNames = {"Cell 1", "Cell 1 + 2", "Cell 1 + 2 + 3",
                                                 "Cell 1 + 2 + 3 + 4"};
  for (size_t i = 0; i < stack.size(); ++i) {
    ok = ok && stack[i] != kErrRd;
    group.rows.push_back({stackNames[i], stack[i], "mV"});
  }

  if (c.DFType == DfType::CEDV_PLUS && (c.BatteryVSupported || c.PackVSupported)) {
    std::array<uint8_t, 256> raw{};
    ReadRawVoltageBlock(raw);  // leaves the calibration mode the block needed
    const auto word = [&raw](size_t p) { return std::to_string(raw[p + 1] * 256 + raw[p]); };
    // Converter counts, as the raw block carries them: not millivolts.
    if (c.BatteryVSupported)
      group.rows.push_back({"Battery Voltage (raw)", word(kRawBatteryVoltage), "--"});
    if (c.PackVSupported)
      group.rows.push_back({"Pack Voltage (raw)", word(kRawPackVoltage), "--"});
  } else {
    if (c.BatteryVSupported)
      group.rows.push_back({"Battery Voltage", kErrRd, "mV"});  // not reported by these gauges
    if (c.PackVSupported)
      group.rows.push_back({"Pack Voltage", Measure(c.PackVoltageReadCommand, ok), "mV"});
  }

  group.rows.push_back({"Pack Current", ReadWord(kCurrentCommand, true, ok), "mA"});
  if (c.IntTSSupported)
    group.rows.push_back(
        {"Internal Temp", Celsius(ReadWord(kTemperatureCommand, false, ok)), "degC"});
  if (c.TS1Supported)
    group.rows.push_back({"Ext 1 Temp", Celsius(Measure(c.TS1readTemperature, ok)), "degC"});
  if (c.TS2Supported)
    group.rows.push_back({"Ext 2 Temp", Celsius(Measure(c.TS2readTemperature, ok)), "degC"});
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
