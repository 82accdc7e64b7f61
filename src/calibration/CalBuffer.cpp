// The local calibration buffer read and written with the routine of the gauge family. Every
// calibration write passes here: it is backed up first, and rolled back when it fails.

#include "calibration/Acquisition.h"
#include "calibration/CalAreaGuard.h"
#include "device/DataFlash.h"
#include "device/DataFlashRows.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"

namespace gaugecal {

namespace {

bool KnownFamily(DfType family) {
  return family == DfType::CEDV || family == DfType::QSPAN || family == DfType::RN44K18 ||
         family == DfType::CEDV_PLUS;
}

}  // namespace

int32_t ReadCalBuffer() {
  ModuleState& m = Module();
  int16_t length = 0;
  int32_t status = 0;
  switch (m.calConfig.DFType) {
    case DfType::CEDV:
      status = ReadCEDVCalBlocks();
      length = static_cast<int16_t>(CedvCalImageLength());
      break;
    case DfType::QSPAN:
      status = ReadCalSubclass(m.calBuffer, length);
      break;
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      status = ReadCalRows();
      length = 2 * kRowLength;
      break;
  }
  NoteCalAreaRead(status, length);
  return status;
}

int32_t WriteCalAreaOnce() {
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

int32_t WriteCalBuffer() {
  if (!KnownFamily(Module().calConfig.DFType))
    return 0;
  // Stopped from outside: no image write begins, so the gauge keeps the whole old image. (A
  // write under way when the stop comes runs to its end, rollback included.)
  if (Module().platform && Module().platform->StopRequested()) {
    ShowWarning("stopped before writing the calibration Dataflash: nothing of it was written");
    return 1;
  }
  if (BackUpCalArea() != 0)
    return 1;
  ReportStep(LongStep::WritingDataFlash);
  if (WriteCalAreaOnce() == 0) {
    NoteCalAreaWritten();
    return 0;
  }
  RollBackCalArea();
  return 1;
}

}  // namespace gaugecal
