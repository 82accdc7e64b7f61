#pragma once
// The name of a calibration action as the command line takes it and the records keep it.

#include "calibration/CalibrationRun.h"

namespace gaugecal::session {

// "voltage-temperature", "pack-voltage", "current", "cc-offset" or "board-offset".
const char* ActionName(CalibrationAction action);

}  // namespace gaugecal::session
