#include "instruments/emulation/EmulatedDmm.h"

#include <cstdio>

namespace gaugecal::instruments {

namespace {

std::string Scientific(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.8E", value);
  return text;
}

}  // namespace

std::unique_ptr<EmulatedDmm> EmulatedDmm::Start(std::string& error) {
  std::unique_ptr<EmulatedDmm> dmm(new EmulatedDmm());
  dmm->server_ = ScpiServer::Start(
      [d = dmm.get()](const std::string& command) { return d->Answer(command); }, error);
  if (!dmm->server_)
    return nullptr;
  return dmm;
}

void EmulatedDmm::SetTruth(const ProbePoint& truth) {
  const std::lock_guard<std::mutex> lock(mutex_);
  truth_ = truth;
}

std::optional<std::string> EmulatedDmm::Answer(const std::string& command) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (command == "*IDN?")
    return "Keysight Technologies,34465A,MY59000001,A.02.17-02.40-02.17-00.52-04-01";
  if (command == "*OPC?")
    return "1";
  if (command == "CONF:VOLT:DC" || command == "CONF:VOLT")
    function_ = Function::Voltage;
  else if (command == "CONF:CURR:DC" || command == "CONF:CURR")
    function_ = Function::Current;
  else if (command == "CONF:TEMP")
    function_ = Function::Temperature;
  else if (command.rfind("CONF:", 0) == 0)
    function_ = Function::Other;
  if (command == "CONF?") {
    switch (function_) {
      case Function::Voltage:
        return "\"VOLT +1.000000E+01,+1.000000E-06\"";
      case Function::Current:
        return "\"CURR +1.000000E+00,+1.000000E-06\"";
      case Function::Temperature:
        return "\"TEMP FRTD,85,+1.000000E+00,+1.000000E-06\"";
      case Function::Other:
        break;
    }
    return "\"RES +1.000000E+03,+1.000000E-06\"";
  }
  if (command == "READ?") {
    switch (function_) {
      case Function::Voltage:
        return Scientific(truth_.volts * (1.0 + kDmmGainError) + kDmmVoltOffset);
      case Function::Current:
        return Scientific(truth_.amperes * (1.0 + kDmmGainError) + kDmmAmpereOffset);
      case Function::Temperature:
        return Scientific(truth_.celsius + kDmmCelsiusOffset);
      case Function::Other:
        break;
    }
    return Scientific(9.9e37);  // overload: the emulation measures nothing else
  }
  // *RST, *CLS, MEAS, ABORT and the CONF: settings: nothing to answer.
  return std::nullopt;
}

}  // namespace gaugecal::instruments
