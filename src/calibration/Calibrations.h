#pragma once
// The five calibrations: each computes new constants from averaged raw values and the
// technician's references, checks their ranges, patches the local calibration buffer and writes
// it back with verification. Each shows its own messages and returns 0 on success, 1 on failure.

#include <cstdint>
#include <string>

namespace gaugecal {

struct VoltageCalInput {
  int16_t Cell1 = 0;  // cumulative stack voltages, mV
  int16_t Cell2 = 0;
  int16_t Cell3 = 0;
  int16_t Cell4 = 0;
  double Battery = 0.0;  // mV
  int16_t CellCount = 0;
};

struct TemperatureCalInput {
  double Actual[5] = {};  // degrees Celsius; -300.0 exactly: sensor not calibrated
  double Measured[5] = {};
};

inline constexpr double kSensorNotCalibrated = -300.0;

int32_t CalibrateVoltageTemperature(bool voltageSelected, bool temperatureSelected,
                                    VoltageCalInput& volts, TemperatureCalInput& temps,
                                    std::string& reason);
int32_t ComputeTempOffset(double actual, double measured, double current, uint8_t& offset);

int32_t CalibrateCCOffset();
// 0 on success, 1 on failure.
int32_t CalibrateBoardOffset();

int32_t CalibratePackVoltage(double actual, double measured);
int32_t CalibrateCurrent(const std::string& actual);

}  // namespace gaugecal
