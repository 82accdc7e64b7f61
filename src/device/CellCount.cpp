// Number of series cells the gauge is configured for, from the family's own source: the pack
// configuration word, the configuration subclass, or the system configuration bytes.

#include "device/CellCount.h"

#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr int16_t kPackConfiguration = 0x2F;
constexpr int16_t kMinCells = 2;
constexpr int16_t kMaxCells = 4;

int32_t ReadCellCountCedv(int16_t& cells) {
  ModuleState& m = Module();
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (m.hostLink->ReadSMBusWord(kPackConfiguration, msb, lsb, m.SmbAddress) != 0) {
    ShowMessage("Error reading Pack config from CEDV device to determine number of cells in use.");
    return 1;
  }
  cells = static_cast<int16_t>((msb & 3) + 1);
  return 0;
}

// Bits 1..0 of the system configuration: 3, 2, 1 for four, three, two cells; 0 is no count.
int32_t ReadCellCountFromSystemConfig(int16_t& cells) {
  ModuleState& m = Module();
  if (m.calModeFlag)
    SendExitCalCommand();  // the gauge answers data flash reads only outside calibration mode
  if (!m.calConfig.SystemConfigAddress) {
    // Whatever byte some other address holds is not a cell count.
    ShowWarning(
        "no cell count: the system configuration address is not known (rn44k18SystemConfig"
        "Location was not found in the data flash description)");
    cells = 0;
    return 1;
  }
  int16_t address = *m.calConfig.SystemConfigAddress;
  uint8_t first = 0;
  uint8_t second = 0;
  if (ReadAbsoluteDF(address, first, second) != 0) {
    ShowMessage(
        "Unable to read number of configured cells from Dataflash. Please check communications "
        "with device.");
    return 1;
  }
  const uint8_t bits = (m.calConfig.DFType == DfType::CEDV_PLUS ? first : second) & 3;
  cells = bits == 0 ? 0 : static_cast<int16_t>(bits + 1);
  return bits == 0 ? 1 : 0;
}

int32_t InRange(int16_t cells) {
  return cells >= kMinCells && cells <= kMaxCells ? 0 : 1;
}

}  // namespace

int32_t ReadCellCount(int16_t& cells) {
  switch (Module().calConfig.DFType) {
    case DfType::CEDV:
      if (ReadCellCountCedv(cells) != 0)
        return 1;
      return InRange(cells);
    case DfType::QSPAN:
      if (ReadCellCountQspan(cells) != 0)
        return 1;
      return InRange(cells);
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  return ReadCellCountFromSystemConfig(cells);
}

}  // namespace gaugecal
