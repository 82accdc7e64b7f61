#pragma once
// One seeded simulated gauge of the accuracy benchmark: converter gain errors up to +-3 %,
// offsets and noise, references on the bench, and a technician who runs the five calibrations
// through the calibration session and the engine.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "platform/VirtualPlatform.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::bench {

// How far the gauge's report is from the references, averaged over a number of conversions
// so that converter noise of one reading does not count as calibration error.
struct Errors {
  double cellMv = 0.0;      // worst cell
  double batteryPct = 0.0;  // battery (stack) voltage
  double packPct = 0.0;
  double currentPct = 0.0;      // at the calibration current
  double tempK = 0.0;           // worst of the sensors the family calibrates
  double ccOffsetCounts = 0.0;  // offsets the gauge subtracts vs. the counter's true offsets
};

class ClosedLoopGauge {
 public:
  // noiseCounts: amplitude of the uniform converter noise of every channel, in counts.
  ClosedLoopGauge(DfType family, uint64_t seed, double noiseCounts = 1.0);
  ~ClosedLoopGauge();

  // The five calibrations in a technician's order; the messages of any that failed.
  std::vector<std::string> CalibrateAll();
  Errors Measure();

 private:
  CalibrationRequest References(CalibrationAction action);

  DfType family_;
  VirtualPlatform platform_;
  std::unique_ptr<sim::SimulatedGauge> gauge_;
};

}  // namespace gaugecal::bench
