// The local calibration buffer read and written with the routine of the gauge family.

#include "calibration/Acquisition.h"
#include "device/DataFlash.h"
#include "device/ModuleState.h"

namespace gaugecal {

int32_t ReadCalBuffer() {
  ModuleState& m = Module();
  switch (m.calConfig.DFType) {
    case DfType::CEDV:
      return ReadCEDVCalBlocks();
    case DfType::QSPAN:
      return ReadCalSubclass(m.calBuffer);
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      return ReadCalRows();
  }
  return 0;
}

int32_t WriteCalBuffer() {
  switch (Module().calConfig.DFType) {
    case DfType::CEDV:
      return WriteCEDVCalBlocks();
    case DfType::QSPAN:
      return WriteCalSubclass();
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      return WriteCalRows();
  }
  return 0;
}

}  // namespace gaugecal
