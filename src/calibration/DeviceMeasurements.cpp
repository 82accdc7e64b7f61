#include "calibration/DeviceMeasurements.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "calibration/Acquisition.h"
#include "device/Codecs.h"
#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"

namespace gaugecal {

namespace {

constexpr int16_t kTemperatureCommand = 0x08;
constexpr int16_t kCurrentCommand = 0x0A;
constexpr size_t kRawPackVoltage = 22;
constexpr size_t kRawBatteryVoltage = 24;
constexpr uint8_t kKeepAllButMappingBits = 0xA7;  // clears bits 3, 4 and 6
constexpr int32_t kMappingSettleMs = 400;
constexpr int32_t kInternalConversionMs = 800;
constexpr int32_t kAfterRestoreMs = 50;

std::string OrErrRd(const std::string& value) {
  return value.empty() ? kErrRd : value;
}

// Tenths of a kelvin to degrees Celsius, one decimal.
std::string CelsiusText(double tenthsKelvin) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", (tenthsKelvin - 2732.0) / 10.0);
  return text;
}

std::string ReadSbsWordText(int16_t command, bool temperature) {
  ModuleState& m = Module();
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (m.hostLink->ReadSMBusWord(command, msb, lsb, m.SmbAddress) != 0)
    return kErrRd;
  const int16_t word = BytesToInt16(msb, lsb);
  return temperature ? CelsiusText(word) : std::to_string(word);
}

std::string ReadTemperatureCommand(const std::string& command) {
  std::string result;
  if (readmeasurementfromdevice(command, "U2", result) != 0 || result == kErrRd)
    return kErrRd;
  const auto tenths = ParseDecimal(result);
  return tenths ? CelsiusText(*tenths) : std::string(kErrRd);
}

DeviceMeasurements ReadByCommands() {
  const CalConfig& c = Module().calConfig;
  DeviceMeasurements d;
  auto& s = d.stack;
  if (c.DFType == DfType::CEDV)
    ReadStackVoltages(s[0], s[1], s[2], s[3]);
  else
    ReadAltStackVoltages(s[0], s[1], s[2], s[3]);
  if (c.DFType == DfType::CEDV_PLUS && (c.BatteryVSupported || c.PackVSupported)) {
    // This family reports battery and pack voltage in its raw calibration block.
    std::array<uint8_t, 256> block{};
    ReadRawVoltageBlock(block);
    d.battery = std::to_string(block[kRawBatteryVoltage + 1] * 256 + block[kRawBatteryVoltage]);
    d.pack = std::to_string(block[kRawPackVoltage + 1] * 256 + block[kRawPackVoltage]);
  } else {
    if (c.BatteryVSupported)
      d.battery = kErrRd;  // not reported outside the raw block
    if (c.PackVSupported &&
        readmeasurementfromdevice(c.PackVoltageReadCommand, "U2", d.pack) != 0) {
      d.pack = kErrRd;
    }
  }
  d.current = ReadSbsWordText(kCurrentCommand, false);
  if (c.IntTSSupported)
    d.temperatures[0] = ReadSbsWordText(kTemperatureCommand, true);
  if (c.TS1Supported)
    d.temperatures[1] = ReadTemperatureCommand(c.TS1readTemperature);
  if (c.TS2Supported)
    d.temperatures[2] = ReadTemperatureCommand(c.TS2readTemperature);
  return d;
}

}  // namespace

DeviceMeasurements MeasurementsFromLiveTable() {
  const auto& live = Module().LiveTable;
  const DisplayGroup& volts = live[kLiveVoltages];
  const DisplayGroup& temps = live[kLiveTemperatures];
  DeviceMeasurements d;
  int64_t running = 0;
  for (size_t i = 0; i < d.stack.size(); ++i) {
    const auto cell = ParseDecimal(volts.items[i].value);
    if (!cell) {
      d.stack[i] = kErrRd;
      continue;
    }
    running += static_cast<int64_t>(*cell);
    d.stack[i] = std::to_string(running);
  }
  d.battery = OrErrRd(volts.items[4].value);
  d.pack = OrErrRd(volts.items[5].value);
  for (size_t i = 0; i < d.temperatures.size(); ++i)
    d.temperatures[i] = OrErrRd(temps.items[i].value);
  d.current = OrErrRd(live[kLiveCurrent].items[0].value);
  return d;
}

void ReadRawVoltageBlock(std::span<uint8_t> block) {
  FetchFreshRawBlock(block);
  LeaveCalMode();
}

std::string ReadMappedInternalTemperature() {
  ModuleState& m = Module();
  if (!m.calConfig.SystemConfigAddress) {
    // The mapping is written back to data flash: never at an address that is not known.
    ShowWarning(
        "the internal temperature is not mapped: the system configuration address is not known");
    return kErrRd;
  }
  const int16_t address = *m.calConfig.SystemConfigAddress;
  uint8_t first = 0;
  uint8_t second = 0;
  if (ReadAbsoluteDF(address, first, second) != 0) {
    ShowMessage("Unable to map internal temperature sensor to SBS temperature command.");
    return kErrRd;
  }
  const int32_t mapped =
      WriteAbsoluteDF(address, first, static_cast<uint8_t>(second & kKeepAllButMappingBits));
  SleepMs(kMappingSettleMs);
  ReadSbsWordText(kTemperatureCommand, true);  // the first conversion after the change
  SleepMs(kMappingSettleMs);
  if (mapped != 0) {
    ShowMessage(
        "Unable to map internal temperature sensor to SBS temperature command. Error writing to "
        "DataFlash.");
    return kErrRd;
  }
  m.platform->DoEvents();
  SleepMs(kInternalConversionMs);
  const std::string internal = ReadSbsWordText(kTemperatureCommand, true);
  // The configuration must not stay switched: a restore that failed is tried once more.
  int32_t restored = WriteAbsoluteDF(address, first, second);
  SleepMs(kAfterRestoreMs);
  if (restored != 0) {
    restored = WriteAbsoluteDF(address, first, second);
    SleepMs(kAfterRestoreMs);
  }
  if (restored != 0)
    ShowMessage("Error setting temperature mapping back to original state.");
  return internal;
}

DeviceMeasurements ReadDeviceMeasurements() {
  if (Module().calConfig.DFType != DfType::RN44K18)
    return ReadByCommands();
  if (RefreshMODGroups() != 0) {
    DeviceMeasurements failed;
    failed.stack.fill(kErrRd);
    failed.temperatures.fill(kErrRd);
    failed.battery = failed.pack = failed.current = kErrRd;
    return failed;
  }
  return MeasurementsFromLiveTable();
}

}  // namespace gaugecal
