// Cell scale factors, battery gain and temperature offsets from the technician's references and
// the averaged raw values. Every constant is checked before anything is written; the buffer
// goes to the gauge once, at the end.

#include <cstdint>
#include <optional>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/CalTargets.h"
#include "calibration/Calibrations.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

// A step either succeeds, refuses after showing its own message, or meets a fault (a value
// that does not convert or fit, a missing row) that the general message reports.
enum class Outcome { Ok, Refused, Fault };

constexpr const char* kGeneralError =
    "Error during Voltage and Temperature Calibration. Calibration not performed.";
constexpr const char* kRawZero = "Raw calibration value of zero in voltage rows.";
constexpr const char* kBatteryRange =
    "Battery Voltage Correction is beyond allowed value. Calibration not performed.";
constexpr const char* kSbsTemperature =
    "Unable to read current SBS Temperature from device. Temperature calibration not completed. "
    "Please retry.";
constexpr const char* kWriteFailed =
    "Unable to write new calibration values to Dataflash. Ensure device is not sealed. Please "
    "repeat this calibration.";

constexpr const char* kCellMessages[4] = {
    "Correction for Cell Voltage 1 is beyond allowed range. Calibration not performed.",
    "Correction for Cell Voltage 2 is beyond allowed range. Calibration not performed.",
    "Correction for Cell Voltage 3 is beyond allowed range. Calibration not performed.",
    "Correction for Cell Voltage 4 is beyond allowed range. Calibration not performed."};

constexpr const char* kRawCellRows[4] = {"Cell Voltage 1", "Cell Voltage 2", "Cell Voltage 3",
                                         "Cell Voltage 4"};

constexpr int16_t kSbsTemperatureCommand = 0x08;
constexpr double kGainScale = 65536.0;
constexpr int32_t kMaxU16 = 65535;

const char* TemperatureMessage(int sensor, DfType family) {
  switch (sensor) {
    case 0:
      return "Temperature Correction beyond allowed range for Internal Temperature Calibration.  "
             "Allowed range approximately plus or minus 12.7 deg K from default value of 0. No "
             "calibration data written.";
    case 1:
      return "Temperature Correction beyond allowed range for External Temperature Sensor 1.  "
             "Allowed range approximately plus or minus 12.7 deg K from default value. No "
             "calibration data written.";
    case 2:
      if (family == DfType::RN44K18 || family == DfType::CEDV_PLUS) {
        return "Temperature Correction beyond allowed range for External Temperature Sensor 2.  "
               "Allowed range approximately plus or minus 12 deg K. Please correct value. No "
               "calibration data written.";
      }
      return "Temperature Correction beyond allowed range for External Temperature Sensor 2.  "
             "Allowed range is approximately plus or minus 12.7 deg K from default value. No "
             "calibration data written.";
    case 3:
      return "Temperature Correction beyond allowed range for External Temperature Sensor 3.  "
             "Allowed range is approximately plus or minus 12.7 deg K from default value. No "
             "calibration data written.";
    default:
      return "Temperature Correction beyond allowed range for External Temperature Sensor 4.  "
             "Allowed range is approximately plus or minus 12.7 deg K from default value. No "
             "calibration data written.";
  }
}

std::optional<int32_t> RawCount(const char* row) {
  const auto value = RawValue(row);
  return value ? RoundToInt32(*value) : std::nullopt;
}

// Stores a gain that passed its upper limit; a negative one is a fault.
Outcome StoreGain(const CalRowRef& target, int32_t gain) {
  const auto param = FindCalParam(target, 2);
  if (!param || gain < 0)
    return Outcome::Fault;
  StoreU16(param->offset, static_cast<uint16_t>(gain));
  return Outcome::Ok;
}

Outcome CheckRawRows() {
  const auto r1 = RawCount(kRawCellRows[0]);
  const auto r2 = RawCount(kRawCellRows[1]);
  if (!r1 || !r2)
    return Outcome::Fault;
  if (*r1 == 0 || *r2 == 0) {
    ShowMessage(kRawZero);
    return Outcome::Refused;
  }
  return Outcome::Ok;
}

// Each cell's factor relates its cumulative stack voltage to the sum of the raw counts below it.
Outcome CalibrateCells(const VoltageCalInput& volts, CalLayout layout) {
  const int16_t stack[4] = {volts.Cell1, volts.Cell2, volts.Cell3, volts.Cell4};
  const int cells = 2 + (volts.CellCount > 2 ? 1 : 0) + (volts.CellCount > 3 ? 1 : 0);
  const auto targets = CellScaleTargets(layout);
  int64_t rawSum = 0;
  for (int n = 0; n < cells; ++n) {
    const auto raw = RawCount(kRawCellRows[n]);
    if (!raw)
      return Outcome::Fault;
    rawSum += *raw;
    if (rawSum == 0 || rawSum > INT32_MAX || rawSum < INT32_MIN)
      return Outcome::Fault;
    const auto scale =
        RoundToInt32(static_cast<double>(stack[n]) / static_cast<double>(rawSum) * kGainScale);
    if (!scale)
      return Outcome::Fault;
    if (*scale > kMaxU16) {
      ShowMessage(kCellMessages[n]);
      return Outcome::Refused;
    }
    if (const Outcome stored = StoreGain(targets[static_cast<size_t>(n)], *scale);
        stored != Outcome::Ok) {
      return stored;
    }
  }
  return Outcome::Ok;
}

Outcome CalibrateBattery(const VoltageCalInput& volts) {
  const auto actual = RoundToInt32(volts.Battery);
  if (!actual)
    return Outcome::Fault;
  // 0 mV means the panel had no battery entry to give: the stored gain stays as it is rather
  // than become 0, which would make the gauge report a battery voltage of 0.
  if (*actual == 0)
    return Outcome::Ok;
  const auto raw = RawValue("Bat Voltage");
  if (!raw || *raw == 0.0)
    return Outcome::Fault;
  const auto gain = RoundToInt32(static_cast<double>(*actual) / *raw * kGainScale);
  if (!gain)
    return Outcome::Fault;
  if (*gain > kMaxU16) {
    ShowMessage(kBatteryRange);
    return Outcome::Refused;
  }
  return StoreGain(BatteryGainTarget(), *gain);
}

// CEDV gauges must answer their SBS temperature before anything is written.
Outcome CheckSbsTemperature() {
  ModuleState& m = Module();
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (m.hostLink->ReadSMBusWord(kSbsTemperatureCommand, msb, lsb, m.SmbAddress) != 0) {
    ShowMessage(kSbsTemperature);
    return Outcome::Refused;
  }
  return Outcome::Ok;
}

Outcome CalibrateTemperatures(const TemperatureCalInput& temps, CalLayout layout, DfType family) {
  for (int sensor = 0; sensor < kTemperatureSensors; ++sensor) {
    const double actual = temps.Actual[sensor];
    if (actual == kSensorNotCalibrated)
      continue;
    const auto target = TemperatureTarget(layout, sensor);
    if (!target)
      continue;
    const auto param = FindCalParam(target->row, 1);
    if (!param)
      return Outcome::Fault;
    const auto current = ParamValue(*param);
    const auto measured = target->source == TempSource::Live
                              ? LiveTemperature(target->liveRow)
                              : std::optional<double>(temps.Measured[sensor]);
    if (!current || !measured)
      return Outcome::Fault;
    uint8_t offset = 0;
    if (ComputeTempOffset(actual, *measured, *current, offset) != 0) {
      ShowMessage(TemperatureMessage(sensor, family));
      return Outcome::Refused;
    }
    StoreByte(param->offset, offset);
  }
  return Outcome::Ok;
}

Outcome RunVoltageTemperature(bool voltageSelected, bool temperatureSelected,
                              const VoltageCalInput& volts, const TemperatureCalInput& temps) {
  const CalConfig& config = Module().calConfig;
  const CalLayout layout = CurrentCalLayout();
  Outcome o = CheckRawRows();
  if (o == Outcome::Ok && voltageSelected)
    o = CalibrateCells(volts, layout);
  // RN44K18 calibrates its battery gain with the cell voltages; CEDV_PLUS whenever it has a
  // battery input, voltage selected or not (the page fills the battery entry either way).
  const bool battery = (voltageSelected && config.DFType == DfType::RN44K18) ||
                       (config.DFType == DfType::CEDV_PLUS && config.BatteryVSupported);
  if (o == Outcome::Ok && battery)
    o = CalibrateBattery(volts);
  if (o == Outcome::Ok && config.DFType == DfType::CEDV)
    o = CheckSbsTemperature();
  if (o == Outcome::Ok && temperatureSelected)
    o = CalibrateTemperatures(temps, layout, config.DFType);
  return o;
}

}  // namespace

int32_t CalibrateVoltageTemperature(bool voltageSelected, bool temperatureSelected,
                                    VoltageCalInput& volts, TemperatureCalInput& temps,
                                    std::string& /*reason: left as the caller passed it*/) {
  switch (RunVoltageTemperature(voltageSelected, temperatureSelected, volts, temps)) {
    case Outcome::Ok:
      break;
    case Outcome::Refused:
      return 1;
    case Outcome::Fault:
      ShowMessage(kGeneralError);
      return 1;
  }
  if (WriteCalBuffer() != 0) {
    ShowMessage(kWriteFailed);
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
