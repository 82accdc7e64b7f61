#include "CalRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/DeviceMeasurements.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"

namespace gaugecal::test {

namespace {

// The area with the given big-endian patches applied.
std::vector<uint8_t> Patched(std::vector<uint8_t> area, const CalRig::Patches& patches) {
  for (const auto& [offset, bytes] : patches)
    std::copy(bytes.begin(), bytes.end(), area.begin() + static_cast<std::ptrdiff_t>(offset));
  return area;
}

}  // namespace

CalConfig FamilyConfig(DfType family) {
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
  return c;
}

sim::Scenario ExactScenario(DfType family) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.noiseCounts = 0.0;
  for (auto& e : s.cellError)
    e = {};
  s.batteryError = {};
  s.packError = {};
  s.temperatureErrorC = {};
  s.senseResistorMilliohm = 4.768 / 0.9419;
  return s;
}

CalRig::CalRig(sim::Scenario scenario, CalConfig config) : SimBench(std::move(scenario)) {
  InitDisplayTables();
  Module().calConfig = std::move(config);
  // What panel start-up leaves behind: the calibration image in the table, the sample scale.
  if (ReadCalBuffer() != 0)
    throw std::runtime_error("the simulated gauge's calibration area does not read");
  TransferCalBufferToTable();
  LoadCCOffsetSampleScale();
}

double CalRig::Param(const std::string& name) const {
  const sim::Param* p = Gauge().Flash().Layout().Find(name);
  if (p == nullptr)
    throw std::logic_error("no parameter " + name);
  return Gauge().Flash().Get(*p);
}

void CalRig::Expect(CalibrationRequest request, const Patches& stored,
                    const std::vector<std::string>& messages) {
  const auto before = CalArea();
  EXPECT_EQ(Run(request), messages.empty() ? 0 : 1);
  EXPECT_EQ(CalArea(), messages.empty() ? Patched(before, stored) : before);
  EXPECT_EQ(Messages(), messages);
}

CalibrationRequest CalRig::ReferenceRequest(CalibrationAction action) {
  sim::Scenario& s = Gauge().Settings();
  s.currentMa = action == CalibrationAction::PackCurrent ? -2000.0 : 0.0;
  CalibrationRequest r = Request(action);
  double stack = 0.0;
  std::vector<int16_t> stackMv;
  for (int i = 0; i < s.cells; ++i) {
    stack += s.cellMv[static_cast<size_t>(i)];
    stackMv.push_back(static_cast<int16_t>(*RoundToInt16(stack)));
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

CalibrationRequest Request(CalibrationAction action) {
  CalibrationRequest r;
  r.action = action;
  for (double& a : r.temps.Actual)
    a = kSensorNotCalibrated;
  return r;
}

CalibrationRequest VoltageRequest(std::vector<int16_t> stack, double battery) {
  CalibrationRequest r = Request(CalibrationAction::VoltageTemperature);
  r.voltageSelected = true;
  stack.resize(4, 0);
  r.volts.Cell1 = stack[0];
  r.volts.Cell2 = stack[1];
  r.volts.Cell3 = stack[2];
  r.volts.Cell4 = stack[3];
  r.volts.CellCount = static_cast<int16_t>(
      std::count_if(stack.begin(), stack.end(), [](int16_t v) { return v != 0; }));
  r.volts.Battery = battery;
  return r;
}

CalibrationRequest TemperatureRequest(int sensor, double actual, double measured) {
  CalibrationRequest r = Request(CalibrationAction::VoltageTemperature);
  r.temperatureSelected = true;
  r.temps.Actual[sensor] = actual;
  r.temps.Measured[sensor] = measured;
  return r;
}

CalibrationRequest PackRequest(double actual) {
  CalibrationRequest r = Request(CalibrationAction::PackVoltage);
  r.packActual = actual;
  r.packMeasured = actual;
  return r;
}

CalibrationRequest CurrentRequest(const std::string& actual) {
  CalibrationRequest r = Request(CalibrationAction::PackCurrent);
  r.currentActual = actual;
  return r;
}

void ExactCounts(sim::ChannelError& channel, double counts) {
  channel.gainError = -1.0;  // the true value contributes nothing
  channel.offsetCounts = counts;
}

}  // namespace gaugecal::test
