#include "calibration/BackupRestore.h"

#include <algorithm>
#include <filesystem>

#include "calibration/Acquisition.h"
#include "calibration/CalAreaGuard.h"
#include "calibration/CalibrationSession.h"
#include "device/Backup.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr const char* kNothingWritten = " Nothing was written to the gauge.";

std::string Identification(const std::string& device, const std::string& firmware,
                           const std::string& build, const std::string& extra) {
  return device + " " + firmware + " " + build + " " + extra;
}

// The reason a backup may not go into the connected gauge; empty when it may.
std::string Refusal(const std::string& path, const Backup& b, bool force) {
  const ModuleState& m = Module();
  const std::string file = "The backup file " + path;
  if (!HashMatches(b))
    return file + " does not match its SHA-256: it is damaged or was edited.";
  if (b.kind == BackupKind::ParameterBlock)
    return file +
           " holds a Dataflash block of a parameter write, not a calibration area; restore "
           "writes calibration areas only.";
  if (b.kind != BackupKind::CalibrationArea)
    return file +
           " holds Dataflash rows of an absolute write, not a calibration area; restore writes "
           "calibration areas only.";
  const std::string family = DfTypeName(m.calConfig.DFType);
  // Another family keeps other parameters at the same bytes: no reason makes that right.
  if (b.family != family)
    return file + " is of a " + b.family + " gauge, but the connected gauge is " + family +
           ": another family keeps other parameters at these bytes, so it is not written, "
           "--force or not.";
  const std::string here = Identification(m.IdDevice, m.IdFirmware, m.IdBuild, m.IdExtra);
  const std::string there = Identification(b.IdDevice, b.IdFirmware, b.IdBuild, b.IdExtra);
  if (!force && here != there)
    return file + " is of a gauge identified as " + there + ", but the connected gauge is " + here +
           " (--force writes it anyway).";
  const size_t size = m.calAreaRead.image.size();
  if (b.image.size() != size || b.address != m.calDataFlashAddress)
    return file + " holds " + std::to_string(b.image.size()) + " bytes at address " +
           std::to_string(b.address) +
           ", but the calibration Dataflash of the connected gauge "
           "is " +
           std::to_string(size) + " bytes at address " + std::to_string(m.calDataFlashAddress) +
           ".";
  return {};
}

// The area as the gauge holds it now, in the buffer and as the image read last.
bool ReadAreaWhole() {
  if (ReadCalBufferConsistently() == 0 && Module().calAreaRead.valid)
    return true;
  ShowMessage("The calibration Dataflash could not be read whole.");
  return false;
}

}  // namespace

int32_t BackUpCalibrationArea(const std::string& outPath, std::string& savedPath, bool overwrite) {
  ModuleState& m = Module();
  std::error_code ec;
  if (!outPath.empty() && !overwrite && std::filesystem::exists(outPath, ec)) {
    ShowMessage("The backup file " + outPath +
                " exists already; it may be the only copy of another gauge's constants, so it "
                "is not overwritten (--force overwrites it).");
    return 1;
  }
  if (!ReadAreaWhole())
    return 1;
  const Backup backup =
      MakeBackup(BackupKind::CalibrationArea, m.calDataFlashAddress, m.calAreaRead.image);
  std::string error;
  if (outPath.empty()) {
    savedPath = SaveBackup(backup, error);
  } else if (WriteBackupFile(backup, outPath, error)) {
    savedPath = outPath;
  } else {
    error = outPath + ": " + error;
  }
  if (savedPath.empty()) {
    ShowMessage("Could not save the backup of the calibration Dataflash: " + error + ".");
    return 1;
  }
  m.calAreaRead.backupFile = savedPath;
  return 0;
}

int32_t RestoreCalibrationArea(const std::string& path, bool force) {
  ModuleState& m = Module();
  m.writeOutcomeNotice.clear();
  Backup backup;
  std::string error;
  if (!ReadBackupFile(path, backup, error)) {
    ShowMessage("The backup file " + path + " " + error + "." + kNothingWritten);
    return 1;
  }
  if (!ReadAreaWhole()) {
    ShowMessage(std::string("No backup of the present contents can be made.") + kNothingWritten);
    return 1;
  }
  if (const std::string refusal = Refusal(path, backup, force); !refusal.empty()) {
    ShowMessage(refusal + kNothingWritten);
    return 1;
  }
  std::copy(backup.image.begin(), backup.image.end(), m.calBuffer.begin());
  const int32_t result = WriteCalBuffer();
  ShowWriteOutcomeNotice();
  return result == 0 ? 0 : 1;
}

}  // namespace gaugecal
