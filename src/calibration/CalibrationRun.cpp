#include "calibration/CalibrationRun.h"

#include "calibration/CalAreaGuard.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

// How the page reports a failed entry: the message (none for the coulomb counter offset, whose
// entry failure speaks for itself) and whether it comes before or after leaving.
struct EntryFailure {
  const char* message;
  bool messageFirst;
};

EntryFailure EntryFailureFor(CalibrationAction action) {
  switch (action) {
    case CalibrationAction::VoltageTemperature:
      return {"Can not set to calibration mode.", false};
    case CalibrationAction::PackVoltage:
      return {"Unable to enter calibration mode. Pack voltage not calibrated.", false};
    case CalibrationAction::PackCurrent:
      return {
          "Error entering calibration mode executing Current Calibration.  Please check "
          "communications with part.",
          true};
    case CalibrationAction::CCOffset:
      return {nullptr, false};
    case CalibrationAction::BoardOffset:
      return {"Error entering calibration mode.  Please check communications with device.", true};
  }
  return {nullptr, false};
}

int32_t RunEngine(CalibrationRequest& r) {
  switch (r.action) {
    case CalibrationAction::VoltageTemperature: {
      std::string reason;
      const int32_t result = CalibrateVoltageTemperature(r.voltageSelected, r.temperatureSelected,
                                                         r.volts, r.temps, reason);
      if (result != 0)
        ShowMessage("Voltage/Temperture Calibration Failed! " + reason);
      return result;
    }
    case CalibrationAction::PackVoltage:
      return CalibratePackVoltage(r.packActual, r.packMeasured);
    case CalibrationAction::PackCurrent:
      return CalibrateCurrent(r.currentActual);
    case CalibrationAction::CCOffset:
      return CalibrateCCOffset();
    case CalibrationAction::BoardOffset:
      return CalibrateBoardOffset();
  }
  return 1;
}

// The TS3 offset of CEDV_PLUS is computed against the live reading, which entry reads for it.
bool CalibratesTs3(const CalibrationRequest& r) {
  constexpr int kTs3 = 3;
  return r.action == CalibrationAction::VoltageTemperature && r.temperatureSelected &&
         r.temps.Actual[kTs3] != kSensorNotCalibrated;
}

// Entry, the engine and exit, with the calibration page's messages in its order.
int32_t RunSteps(CalibrationRequest& request, const SessionHooks& hooks,
                 const CheckAfterEntry& checkAfterEntry) {
  if (EnterCalibrationMode(RawOutputMode(request.action), hooks, CalibratesTs3(request)) != 0) {
    const EntryFailure failure = EntryFailureFor(request.action);
    if (failure.message != nullptr && failure.messageFirst)
      ShowMessage(failure.message);
    ExitCalibrationMode(hooks);
    if (failure.message != nullptr && !failure.messageFirst)
      ShowMessage(failure.message);
    return 1;
  }
  if (checkAfterEntry && !checkAfterEntry()) {
    ExitCalibrationMode(hooks);
    return 1;
  }
  const int32_t result = RunEngine(request) == 0 ? 0 : 1;
  ExitCalibrationMode(hooks);
  return result;
}

}  // namespace

int16_t RawOutputMode(CalibrationAction action) {
  return action == CalibrationAction::CCOffset ? kOffsetRawOutput : kNormalRawOutput;
}

int32_t RunCalibration(CalibrationRequest& request, const SessionHooks& hooks,
                       const CheckAfterEntry& checkAfterEntry) {
  Module().writeOutcomeNotice.clear();
  const int32_t result = RunSteps(request, hooks, checkAfterEntry);
  // A rollback's outcome comes after every message of the calibration itself.
  ShowWriteOutcomeNotice();
  return result;
}

}  // namespace gaugecal
