#pragma once
// A simulated gauge set up the way the panel leaves the module after start-up (display tables,
// the family's configuration, the calibration image read and the sample scale loaded), ready
// for calibrations through the session and the engine.

#include <cstdint>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "config/CalConfig.h"
#include "sim/Scenario.h"
#include "support/SimBench.h"

namespace gaugecal::test {

// What the sample config.ini gives each family's simulated gauge, with the battery voltage
// calibration on for the families that have a battery gain.
CalConfig FamilyConfig(DfType family);

// The family's built-in gauge without converter errors or noise: tests set exact counts.
sim::Scenario ExactScenario(DfType family);

class CalRig : public SimBench {
 public:
  CalRig(sim::Scenario scenario, CalConfig config);
  explicit CalRig(sim::Scenario scenario) : CalRig(scenario, FamilyConfig(scenario.family)) {}

  double Param(const std::string& name) const;

  int32_t Run(CalibrationRequest request) { return RunCalibration(request); }

  // Runs the request and checks its whole outcome. Without messages it must succeed, say
  // nothing and change exactly the `stored` bytes of the area; with messages it must fail with
  // exactly those and leave the area as it was.
  using Patches = std::vector<std::pair<size_t, std::vector<uint8_t>>>;
  void Expect(CalibrationRequest request, const Patches& stored,
              const std::vector<std::string>& messages = {});

  // What a technician enters for the scenario's true values, with the readings the page shows
  // for the sensors whose offsets are computed against them. Sets the load the calibration
  // needs: none for the offsets, 2 A discharge for the current.
  CalibrationRequest ReferenceRequest(CalibrationAction action);
};

CalibrationRequest VoltageRequest(std::vector<int16_t> stack, double battery = 0.0);
// Temperature request for one sensor; the other four carry the not-calibrated marker.
CalibrationRequest TemperatureRequest(int sensor, double actual, double measured);
CalibrationRequest PackRequest(double actual);
CalibrationRequest CurrentRequest(const std::string& actual);
CalibrationRequest Request(CalibrationAction action);

// Makes a converter channel read exactly `counts` whatever its true value.
void ExactCounts(sim::ChannelError& channel, double counts);

}  // namespace gaugecal::test
