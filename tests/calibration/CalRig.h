#pragma once
// A simulated gauge set up the way panel start-up leaves the module (the family's sample
// configuration, the calibration image read into the table, the sample scale loaded), ready for
// calibrations through the session and the engine.

#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/CalibrationRun.h"
#include "calibration/DeviceMeasurements.h"
#include "device/Codecs.h"
#include "device/TableDecoders.h"
#include "support/Bench.h"

namespace gaugecal::test {

// What the sample config.ini gives each family's gauge, with the battery voltage calibration
// on for the families that have a battery gain.
inline CalConfig FamilyConfig(DfType family, bool map = false) {
  CalConfig c = CalConfig::Defaults(family);
  if (family != DfType::RN44K18) {
    c.PackVoltageReadCommand = "SBS,90";
    c.TS1readTemperature = "SBS,8";
    c.TS2readTemperature = "SBS,94";
  }
  if (family == DfType::QSPAN)
    c.CCOffsetSampleLocation = "Calibration,Data,CC Offset";
  if (family == DfType::RN44K18 || family == DfType::CEDV_PLUS) {
    c.rn44k18SystemConfigLocation = "Configuration,Registers,System Configuration";
    c.SystemConfigAddress = 64;
    c.BatteryVSupported = true;
  }
  c.UseDataflashMap = map;
  return c;
}

// The family's gauge without converter errors or noise: tests set exact counts.
inline sim::Scenario Exact(DfType family, const std::string& faults = "") {
  sim::Scenario s = Quiet(family, faults);
  s.cellError = {};
  s.batteryError = s.packError = {};
  s.temperatureErrorC = {};
  s.senseResistorMilliohm = 4.768 / 0.9419;
  return s;
}

// Makes a converter channel read exactly `counts` whatever its true value.
inline void ExactCounts(sim::ChannelError& channel, double counts) {
  channel = {.gainError = -1.0, .offsetCounts = counts};
}

inline CalibrationRequest Request(CalibrationAction action) {
  CalibrationRequest r;
  r.action = action;
  std::fill(std::begin(r.temps.Actual), std::end(r.temps.Actual), kSensorNotCalibrated);
  return r;
}

// Cumulative stack voltages; the cell count is the number of entries.
inline CalibrationRequest VoltageRequest(std::vector<int16_t> stack, double battery = 0.0) {
  CalibrationRequest r = Request(CalibrationAction::VoltageTemperature);
  r.voltageSelected = true;
  r.volts.CellCount = static_cast<int16_t>(stack.size());
  stack.resize(4, 0);
  r.volts = {stack[0], stack[1], stack[2], stack[3], battery, r.volts.CellCount};
  return r;
}

// One sensor; the other four carry the not-calibrated marker.
inline CalibrationRequest TemperatureRequest(int sensor, double actual, double measured) {
  CalibrationRequest r = Request(CalibrationAction::VoltageTemperature);
  r.temperatureSelected = true;
  r.temps.Actual[sensor] = actual;
  r.temps.Measured[sensor] = measured;
  return r;
}

class CalRig : public Bench {
 public:
  explicit CalRig(sim::Scenario scenario, bool map = false)
      : CalRig(scenario, FamilyConfig(scenario.family, map)) {}
  CalRig(sim::Scenario scenario, CalConfig config) : Bench(std::move(scenario)) {
    Module().calConfig = std::move(config);
    if (ReadCalBuffer() != 0)
      throw std::runtime_error("the simulated gauge's calibration area does not read");
    TransferCalBufferToTable();
    LoadCCOffsetSampleScale();
  }

  double Param(const std::string& name) {
    return Gauge().Flash().Get(*Gauge().Flash().Layout().Find(name));
  }
  int32_t Run(CalibrationRequest request) { return RunCalibration(request); }

  // Runs the request and checks its whole outcome. Without messages it must succeed, say
  // nothing and change exactly the `stored` bytes of the area (big-endian values at their
  // offsets); with messages it must fail with exactly those and leave the area as it was.
  using Patches = std::vector<std::pair<size_t, std::vector<uint8_t>>>;
  void Expect(CalibrationRequest request, const Patches& stored,
              const std::vector<std::string>& messages = {}) {
    auto expected = CalArea();
    for (const auto& [offset, bytes] : stored) {
      if (messages.empty())
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<long>(offset));
    }
    EXPECT_EQ(Run(request), messages.empty() ? 0 : 1);
    EXPECT_EQ(CalArea(), expected);
    EXPECT_EQ(Messages(), messages);
  }

  // What a technician enters for the scenario's true values, with the readings the page shows
  // for the sensors whose offsets are computed against them. Sets the load the calibration
  // needs: none for the offsets, 2 A discharge for the current.
  CalibrationRequest ReferenceRequest(CalibrationAction action) {
    sim::Scenario& s = Gauge().Settings();
    s.currentMa = action == CalibrationAction::PackCurrent ? -2000.0 : 0.0;
    CalibrationRequest r = Request(action);
    double stack = 0.0;
    std::vector<int16_t> stackMv;
    for (int i = 0; i < s.cells; ++i) {
      stack += s.cellMv[static_cast<size_t>(i)];
      stackMv.push_back(*RoundToInt16(stack));
    }
    r.packActual = r.packMeasured = s.packMv.value_or(stack);
    r.currentActual = std::to_string(static_cast<int>(s.currentMa));
    if (action != CalibrationAction::VoltageTemperature)
      return r;
    r = VoltageRequest(stackMv, stack);
    r.temperatureSelected = true;
    const CalConfig& c = Module().calConfig;
    const DeviceMeasurements shown = ReadDeviceMeasurements();
    const bool supported[3] = {c.IntTSSupported, c.TS1Supported, c.TS2Supported};
    for (size_t i = 0; i < 3; ++i) {
      if (!supported[i])
        continue;
      std::string measured = shown.temperatures[i];
      if (i == 0 && c.DFType == DfType::CEDV_PLUS)
        measured = ReadMappedInternalTemperature();
      r.temps.Actual[i] = s.temperatureC[i];
      r.temps.Measured[i] = ParseDecimal(measured).value_or(-1000.0);
    }
    return r;
  }
};

}  // namespace gaugecal::test
