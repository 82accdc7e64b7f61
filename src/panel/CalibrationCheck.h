#pragma once
// The check after a calibration: what the gauge reads now, through the same live path the
// page shows (fresh conversions, averaged), against the references the action used and the
// accuracy targets (calibration/AccuracyTargets.h). Toolkit-free, for every front end that
// drives the panel. docs/calibration.md ("Check after calibration") says what each action
// checks.

#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"

namespace gaugecal::panel {

class NBCal;

// Conversions averaged for each reading, one conversion period apart.
inline constexpr int kCheckConversions = 16;
inline constexpr int kCheckConversionMs = 250;

struct CheckedQuantity {
  std::string quantity;  // "Cell 2", "Pack Voltage", "Current", "No-load current", a sensor
  std::string unit;      // of reference and reading: "mV", "mA", "degC"
  double reference = 0.0;
  double reading = 0.0;   // averaged
  double error = 0.0;     // reading - reference, in errorUnit
  std::string errorUnit;  // the unit, or "%" of the reference
  double target = 0.0;    // largest abs(error) allowed, in errorUnit
  bool within = false;
};

// The quantities the action calibrated, read afresh. Empty for the coulomb counter offset
// (the board's offset is still in the reading) and when nothing could be read.
std::vector<CheckedQuantity> CheckCalibration(NBCal& panel, CalibrationAction action);

// "Cell 2: reference 3897 mV, reading 3897.1 mV, error 0.1 mV (target 1 mV): within"
std::string CheckLine(const CheckedQuantity& q);

}  // namespace gaugecal::panel
