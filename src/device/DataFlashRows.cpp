#include "device/DataFlashRows.h"

#include <array>

#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"

namespace gaugecal {

int32_t RequestRow(int row) {
  return WriteMACCommand(static_cast<int16_t>(kRowBase + row));
}

int32_t ReadRowBlock(std::span<uint8_t, kRowLength> row, int16_t& length, int16_t address) {
  return Module().hostLink->ReadSMBusBlock_(kRowBlock, row, length, address);
}

int32_t WriteRowBlock(std::span<const uint8_t, kRowLength> row) {
  ModuleState& m = Module();
  return m.hostLink->WriteSMBusBlock(kRowBlock, row, kRowLength, m.SmbAddress);
}

void LeaveCalibrationForRows() {
  ModuleState& m = Module();
  WriteMACCommand(m.calConfig.exitCalCommand);
  SleepMs(settle::kAroundAbsoluteReadMs);
  std::array<uint8_t, 256> discard{};
  int16_t length = 0;
  m.hostLink->ReadSMBusBlock_(kRowBlock, discard, length, m.SmbAddress);
  SleepMs(settle::kAroundAbsoluteReadMs);
}

}  // namespace gaugecal
