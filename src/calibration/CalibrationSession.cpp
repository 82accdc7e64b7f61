#include "calibration/CalibrationSession.h"

#include "calibration/Acquisition.h"
#include "calibration/CalAreaGuard.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"

namespace gaugecal {

namespace {

constexpr const char* kAreaReadFailed =
    "Error reading calibration Dataflash.  Please check communications. Calibration not "
    "completed.";
constexpr const char* kMeasurementsBeforeEntry =
    "Error reading measurements from device before entering calibration mode.";
constexpr const char* kNoCalOutput = "Unable to request device to output cal values.";
constexpr const char* kAcquireFailed =
    "Unable to gather raw calibration values from device. Please check communications with "
    "device.";
constexpr const char* kRawModeFailed =
    "Could not enter Raw CEDV Calibration Mode. This calibration was not performed.";
constexpr const char* kMeasurementsAfterExit =
    "Error reading GG Mode data from pack when entering calibration.";

constexpr int32_t kBeforeLiveRefreshMs = 200;
constexpr int32_t kBeforeAreaReadMs = 10;
constexpr int32_t kAfterAreaReadMs = 20;

bool HasCalibrationModeCommand(DfType family) {
  return family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
}

// The live table feeds the offsets computed against live temperatures: every RN44K18 sensor at
// entry, and the TS3 offset of CEDV_PLUS when that sensor is calibrated (the only case where
// that family reads its manufacturer blocks). The readings a calibration page shows are read
// for it only: on CEDV_PLUS they come from a fresh raw block, which puts the gauge back into
// calibration mode.
int32_t RefreshLiveReadings(const SessionHooks& hooks, bool liveTs3) {
  const CalConfig& c = Module().calConfig;
  const bool live =
      c.DFType == DfType::RN44K18 || (c.DFType == DfType::CEDV_PLUS && liveTs3 && c.TS3Supported);
  const int32_t status = live ? RefreshMODGroups() : 0;
  if (!hooks.measurementsRead)
    return status;
  if (c.DFType == DfType::RN44K18 && status == 0)
    hooks.measurementsRead(MeasurementsFromLiveTable());
  else if (c.DFType == DfType::CEDV_PLUS)
    hooks.measurementsRead(ReadDeviceMeasurements());
  return status;
}

}  // namespace

int32_t ReadCalibrationArea(const SessionHooks& hooks) {
  SleepMs(kBeforeAreaReadMs);
  if (const int32_t status = ReadCalBufferConsistently(); status != 0)
    return status;
  TransferCalBufferToTable();
  if (hooks.calibrationAreaRead)
    hooks.calibrationAreaRead();
  SleepMs(kAfterAreaReadMs);
  return 0;
}

int32_t ReadCalBufferConsistently() {
  ModuleState& m = Module();
  if (ReadCalBuffer() != 0)
    return 1;
  const auto first = m.calBuffer;
  if (ReadCalBuffer() != 0)
    return 1;
  if (first == m.calBuffer)
    return 0;
  ForgetCalAreaRead();
  return kCalImagesDisagree;
}

int32_t EnterCalibrationMode(int16_t mode, const SessionHooks& hooks, bool liveTs3) {
  // A configuration that cannot average anything fails before the first transfer.
  if (CheckNumSamples() != 0)
    return 1;
  ModuleState& m = Module();
  const DfType family = m.calConfig.DFType;
  if (hooks.beforeEntry)
    hooks.beforeEntry();
  ReportStep(LongStep::EnteringCalibrationMode);
  // Every family starts from the image the gauge holds now: the engine patches this buffer and
  // writes all of it back, so a stale or partly read image must never reach the gauge.
  if (const int32_t status = ReadCalibrationArea(hooks); status != 0) {
    // The row reader fails without a message; the others show their own.
    if (status == kCalImagesDisagree || HasCalibrationModeCommand(family))
      ShowMessage(kAreaReadFailed);
    return 1;
  }
  if (RefreshLiveReadings(hooks, liveTs3) != 0)
    ShowMessage(kMeasurementsBeforeEntry);
  // CEDV and QSPAN have no calibration-mode command: the raw-output subcommands start the
  // stream, so they pass on EnsureCalMode's status and leave the flag alone.
  const int32_t status = EnsureCalMode();
  if (status != 0 || (HasCalibrationModeCommand(family) && !m.calModeFlag)) {
    ShowMessage(kNoCalOutput);
    return 1;
  }
  if (AcquireRawCalValues(mode != kNormalRawOutput) != 0) {
    ShowMessage(kAcquireFailed);
    return 1;
  }
  // The averages stay in the raw rows; one block read for display would replace them.
  if (!HasCalibrationModeCommand(family) && StartRawCalOutput() != 0) {
    ShowMessage(kRawModeFailed);
    return 1;
  }
  return 0;
}

int32_t ExitCalibrationMode(const SessionHooks& hooks) {
  ReportStep(LongStep::LeavingCalibrationMode);
  const DfType family = Module().calConfig.DFType;
  // Out of the raw stream and, where the gauge reports it, out of calibration mode; the flag
  // says afterwards what the gauge is in, whatever an earlier session left in it.
  LeaveCalMode();
  // Every family reads back what it now stores, so the table shows the gauge's constants.
  ReadCalibrationArea(hooks);
  if (family == DfType::RN44K18) {
    // A click or tick that came during the exit is handled before and after the live refresh.
    LetPendingEventsRun();
    SleepMs(kBeforeLiveRefreshMs);
    if (RefreshLiveReadings(hooks, false) != 0)
      ShowMessage(kMeasurementsAfterExit);
    LetPendingEventsRun();
  } else {
    RefreshLiveReadings(hooks, false);  // the page's boxes of CEDV_PLUS; nothing on the bus else
  }
  if (hooks.afterExit)
    hooks.afterExit();
  return 0;
}

}  // namespace gaugecal
