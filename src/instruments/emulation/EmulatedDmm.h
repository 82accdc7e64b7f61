#pragma once
// An emulated 6½-digit bench multimeter, answering the SCPI commands libsigrok's scpi-dmm
// driver sends as the model that driver knows. Its terminals are on one point of the simulated
// pack; it reads that point's true values with a small, fixed error (docs/instruments.md).

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "instruments/emulation/ScpiServer.h"

namespace gaugecal::instruments {

// What is true at the meter's terminals.
struct ProbePoint {
  double volts = 0.0;
  double amperes = 0.0;
  double celsius = 25.0;
};

// The meter's error: gain and offset on voltage and current, an offset on temperature.
inline constexpr double kDmmGainError = 1e-5;      // 10 ppm of the reading
inline constexpr double kDmmVoltOffset = 20e-6;    // 20 uV
inline constexpr double kDmmAmpereOffset = 10e-6;  // 10 uA
inline constexpr double kDmmCelsiusOffset = 0.02;  // 0.02 degC

class EmulatedDmm {
 public:
  static std::unique_ptr<EmulatedDmm> Start(std::string& error);

  void SetTruth(const ProbePoint& truth);
  ScpiServer& Server() { return *server_; }

 private:
  enum class Function { Voltage, Current, Temperature, Other };
  std::optional<std::string> Answer(const std::string& command);

  std::mutex mutex_;
  ProbePoint truth_;
  Function function_ = Function::Voltage;
  std::unique_ptr<ScpiServer> server_;
};

}  // namespace gaugecal::instruments
