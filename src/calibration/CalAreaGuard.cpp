#include "calibration/CalAreaGuard.h"

#include <algorithm>

#include "calibration/CalibrationSession.h"
#include "device/Backup.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr const char* kNotRead =
    "The calibration Dataflash was not read whole before this write, so no backup of it can be "
    "made. Nothing was written to the gauge.";

bool GaugeHolds(const CalAreaRead& area) {
  const auto& buffer = Module().calBuffer;
  return std::equal(area.image.begin(), area.image.end(), buffer.begin());
}

// Messages of the rollback's own reads and writes are not the technician's: the outcome is.
class QuietMessages {
 public:
  QuietMessages() { ++Module().quietMessages; }
  ~QuietMessages() { --Module().quietMessages; }
  QuietMessages(const QuietMessages&) = delete;
  QuietMessages& operator=(const QuietMessages&) = delete;
};

}  // namespace

void NoteCalAreaRead(int32_t status, int16_t length) {
  CalAreaRead& area = Module().calAreaRead;
  const auto& buffer = Module().calBuffer;
  const size_t n =
      std::min<size_t>(static_cast<size_t>(std::max<int16_t>(length, 0)), buffer.size());
  if (status != 0 || n == 0) {
    area = {};
    return;
  }
  // The same image read again keeps its backup.
  if (area.valid && area.image.size() == n && GaugeHolds(area))
    return;
  area.valid = true;
  area.image.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  area.backupFile.clear();
}

void ForgetCalAreaRead() {
  Module().calAreaRead = {};
}

void NoteCalAreaWritten() {
  CalAreaRead& area = Module().calAreaRead;
  if (!area.valid)
    return;
  const auto& buffer = Module().calBuffer;
  area.image.assign(buffer.begin(),
                    buffer.begin() + static_cast<std::ptrdiff_t>(area.image.size()));
  area.backupFile.clear();
}

int32_t BackUpCalArea() {
  ModuleState& m = Module();
  CalAreaRead& area = m.calAreaRead;
  if (!area.valid) {
    ShowMessage(kNotRead);
    return 1;
  }
  if (!area.backupFile.empty())
    return 0;
  std::string error;
  const std::string path =
      SaveBackup(MakeBackup(BackupKind::CalibrationArea, m.calDataFlashAddress, area.image), error);
  if (path.empty()) {
    ShowMessage("Could not save a backup of the calibration Dataflash: " + error +
                ". Nothing was written to the gauge.");
    return 1;
  }
  area.backupFile = path;
  return 0;
}

void RollBackCalArea() {
  ModuleState& m = Module();
  const CalAreaRead old = m.calAreaRead;
  if (!old.valid)
    return;
  bool restored = false;
  {
    QuietMessages quiet;
    // A write refused before the gauge stored anything needs no rollback.
    if (ReadCalBufferConsistently() == 0 && GaugeHolds(old)) {
      m.calAreaRead = old;
      return;
    }
    std::copy(old.image.begin(), old.image.end(), m.calBuffer.begin());
    restored = WriteCalAreaOnce() == 0;
  }
  m.calAreaRead = old;
  if (restored) {
    m.writeOutcomeNotice =
        "The failed write had changed the calibration Dataflash. Its previous contents were "
        "written back and verified.";
  } else {
    m.writeOutcomeNotice =
        "The failed write changed the calibration Dataflash and its previous contents could not "
        "be written back. The backup file " +
        old.backupFile + " restores them (gaugecal restore).";
  }
}

void ShowWriteOutcomeNotice() {
  ModuleState& m = Module();
  if (m.writeOutcomeNotice.empty())
    return;
  const std::string notice = std::move(m.writeOutcomeNotice);
  m.writeOutcomeNotice.clear();
  ShowMessage(notice);
}

}  // namespace gaugecal
