#pragma once
// One calibration from start to end without a user interface: enter calibration mode with the
// action's raw output kind, run the engine, leave calibration mode, with the messages and in the
// order the calibration page uses. The references are checked by the caller beforehand.

#include <cstdint>
#include <functional>
#include <string>

#include "calibration/CalibrationSession.h"
#include "calibration/Calibrations.h"

namespace gaugecal {

enum class CalibrationAction {
  VoltageTemperature,
  PackVoltage,
  PackCurrent,
  CCOffset,
  BoardOffset
};

struct CalibrationRequest {
  CalibrationAction action = CalibrationAction::VoltageTemperature;
  bool voltageSelected = false;
  bool temperatureSelected = false;
  VoltageCalInput volts;
  TemperatureCalInput temps;
  double packActual = 0.0;    // mV
  double packMeasured = 0.0;  // mV, as the gauge showed it
  std::string currentActual;  // mA as typed; discharge negative
};

// The raw output kind the action measures with.
int16_t RawOutputMode(CalibrationAction action);

// Checks the calibration page makes after entry, on what the gauge showed; false after the
// refusal's message.
using CheckAfterEntry = std::function<bool()>;

// 0 when the engine reported success; 1 when entry, the check after entry or the engine
// failed. Calibration mode is left in every case.
int32_t RunCalibration(CalibrationRequest& request, const SessionHooks& hooks = {},
                       const CheckAfterEntry& checkAfterEntry = {});

}  // namespace gaugecal
