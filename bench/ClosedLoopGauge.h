#pragma once
// One seeded simulated gauge of the accuracy benchmark: converter gain errors up to +-3 %,
// offsets and noise, references on the bench, and a technician who runs the calibrations
// through the calibration session and the engine. The pack variants are sections of the
// sample config.ini, selected by the identification's extra field.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "platform/VirtualPlatform.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::bench {

// A pack variant, and what counts as evidence on it. Paths where the simulated gauge only
// mirrors a choice the tool made (CEDV TS2, QSPAN TS4, the CEDV and QSPAN pack gain) are
// neither calibrated nor measured.
struct Variant {
  const char* name;
  DfType family;
  const char* identification;   // hex, selects the config.ini sections; nullptr: built-in
  bool rowLayout;               // CEDV, QSPAN: RN44K18 calibration layout, map on
  bool batteryAndPack;          // battery and pack gains calibrated and measured
  std::array<bool, 5> sensors;  // internal, TS1..TS4 calibrated and measured
  bool sampleScales;            // "CC Offset Samples" varies (64, 32, 100)
};

// How far the gauge's report is from the references, averaged over a number of conversions
// so that converter noise of one reading does not count as calibration error.
struct Errors {
  double cellMv = 0.0;          // worst cell
  double batteryPct = 0.0;      // battery (stack) voltage
  double packPct = 0.0;         // pack voltage
  double currentPct = 0.0;      // worse of +2 A and -2 A
  double tempK = 0.0;           // worst of the sensors the variant calibrates
  double chargePct = 0.0;       // charge counted in an hour at 2 A (0x0F)
  double ccOffsetCounts = 0.0;  // offsets the gauge subtracts vs. the counter's true offsets
};

class ClosedLoopGauge {
 public:
  // noiseCounts: amplitude of the uniform converter noise of every channel, in counts.
  ClosedLoopGauge(const Variant& variant, uint64_t seed, double noiseCounts = 1.0);
  ~ClosedLoopGauge();

  // The five calibrations in a technician's order (pack voltage only where it counts); the
  // messages of any that failed.
  std::vector<std::string> CalibrateAll();
  Errors Measure();

 private:
  CalibrationRequest References(CalibrationAction action);
  double HourOfChargeMah(double currentMa);

  Variant variant_;
  double calibrationMa_;  // +2 A charge or -2 A discharge, by seed
  VirtualPlatform platform_;
  std::unique_ptr<sim::SimulatedGauge> gauge_;
};

}  // namespace gaugecal::bench
