#pragma once
// The plug-in's module-wide state: one object per process, shared by every panel and every
// device, configuration and calibration routine. Tests reset it between cases.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/CalConfig.h"
#include "config/DisplayTables.h"

namespace gaugecal {

class HostLink;
class Platform;

// The calibration area as last read whole from the gauge: what a failed write is rolled back
// to, and what the backup before the first write of a calibration holds.
struct CalAreaRead {
  bool valid = false;
  std::vector<uint8_t> image;
  std::string backupFile;  // where it was saved; empty until then
};

// A backup file saved before a data flash write in this process.
struct SavedBackup {
  std::string path;
  bool calibrationArea = true;  // false: absolute rows
};

// The steps of a calibration that take long enough for a window to show them while they run.
enum class LongStep {
  EnteringCalibrationMode,
  AveragingRawSamples,
  WritingDataFlash,
  LeavingCalibrationMode
};

struct StepReport {
  LongStep step = LongStep::EnteringCalibrationMode;
  int sample = 0;   // AveragingRawSamples: the sample being read, from 1
  int samples = 0;  // AveragingRawSamples: how many are averaged
};

struct ModuleState {
  Platform* platform = nullptr;  // sleeps, waits, message boxes
  HostLink* hostLink = nullptr;  // every bus transfer
  int16_t SmbAddress = 0;        // the panels set 0x17

  // Data flash settle times in seconds, set with the display tables.
  float dfReadSettle = 0.0F;
  float dfWriteSettle = 0.0F;

  LiveTableType LiveTable{};
  CalTableType CalTable{};
  CalConfig calConfig{};

  std::string IdDevice;
  std::string IdFirmware;
  std::string IdBuild;
  std::string IdExtra;

  // Application directory (config.ini, Morvane.ini, description files), with its trailing
  // separator.
  std::string appDirectory;
  std::string DataFlashFilePath;
  // The config.ini sections the last configuration check found and read, in that order.
  std::vector<std::string> configSections;

  // Local calibration buffer: the data flash image of the calibration area (big-endian values).
  std::array<uint8_t, 256> calBuffer{};
  int16_t calDataFlashAddress = 0;  // start of the calibration area; 0 for every family

  // Backups before data flash writes: the folder (empty: the default one), the area as read,
  // and the outcome of a rollback, shown after the calibration's own messages.
  std::string backupDir;
  CalAreaRead calAreaRead;
  std::vector<SavedBackup> backupsSaved;  // in the order they were saved
  // Told of each backup once it is on the disk, before the write it precedes (the run's
  // record notes it); unset: nobody.
  std::function<void(const SavedBackup&)> onBackupSaved;
  std::string writeOutcomeNotice;
  int quietMessages = 0;  // above 0: messages are not shown (a rollback's own write)

  bool calModeFlag = false;         // gauge believed to be in raw calibration mode
  int16_t CellCount = 0;            // series cells in use
  int16_t ccOffsetSampleScale = 0;  // "CC Offset Samples", read at panel start-up

  // Who follows the steps of a running calibration (the panel's progress); unset: nobody.
  std::function<void(const StepReport&)> onStep;
};

ModuleState& Module();

// Back to the state of a freshly loaded plug-in (platform and host link unset).
void ResetModule();

// Shows one modal message box through the platform.
void ShowMessage(const std::string& text);
void ShowCriticalMessage(const std::string& text);
// A diagnosis beyond the fixed message texts: a warning through the platform, no message box.
void ShowWarning(const std::string& text);

// Tells the follower of onStep, when there is one, which step runs now.
void ReportStep(LongStep step, int sample = 0, int samples = 0);

}  // namespace gaugecal
