#include "instruments/emulation/EmulatedSupply.h"

#include <cstdio>
#include <cstdlib>

namespace gaugecal::instruments {

namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The number after a command word: ":SOUR:VOLT 3.900000" gives 3.9.
std::optional<double> Argument(const std::string& command, const std::string& word) {
  if (command.rfind(word + " ", 0) != 0)
    return std::nullopt;
  const std::string text = command.substr(word.size() + 1);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str())
    return std::nullopt;
  return value;
}

}  // namespace

std::unique_ptr<EmulatedSupply> EmulatedSupply::Start(std::string& error) {
  std::unique_ptr<EmulatedSupply> supply(new EmulatedSupply());
  supply->server_ = ScpiServer::Start(
      [s = supply.get()](const std::string& command) { return s->Answer(command); }, error);
  if (!supply->server_)
    return nullptr;
  return supply;
}

SupplyChannel EmulatedSupply::Channel(int n) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return channels_[static_cast<size_t>(n - 1)];
}

void EmulatedSupply::SetChannel(int n, const SupplyChannel& channel) {
  const std::lock_guard<std::mutex> lock(mutex_);
  channels_[static_cast<size_t>(n - 1)] = channel;
}

void EmulatedSupply::SetTerminalVolts(int n, double volts) {
  const std::lock_guard<std::mutex> lock(mutex_);
  channels_[static_cast<size_t>(n - 1)].terminalVolts = volts;
}

double EmulatedSupply::MeasuredVolts() {
  const SupplyChannel& c = Selected();
  if (!c.on)
    return 0.0;
  return c.constantCurrent ? c.terminalVolts : c.voltageSet;
}

double EmulatedSupply::MeasuredAmperes() {
  const SupplyChannel& c = Selected();
  return c.on && c.constantCurrent ? c.currentSet : 0.0;
}

std::optional<std::string> EmulatedSupply::Answer(const std::string& command) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (command == "*IDN?")
    return "RIGOL TECHNOLOGIES,DP832,DP8A000001,00.01.14";
  if (command == "*OPC?")
    return "1";
  if (command == "SYST:BEEP:STAT?" || command == ":SYST:OTP?" || command == ":OUTP:OVP?" ||
      command == ":OUTP:OCP?")
    return "OFF";
  if (command == ":OUTP:OVP:QUES?" || command == ":OUTP:OCP:QUES?")
    return "NO";
  if (command == ":OUTP:OVP:VAL?")
    return "33.000";
  if (command == ":OUTP:OCP:VAL?")
    return "3.300";
  if (const std::optional<double> n = Argument(command, ":INST:NSEL")) {
    if (*n >= 1 && *n <= kChannels)
      selected_ = static_cast<int>(*n);
    return std::nullopt;
  }
  if (command == ":OUTP:MODE?")
    return Selected().on && Selected().constantCurrent ? "CC" : "CV";
  if (command == ":MEAS:VOLT?")
    return Fixed(MeasuredVolts(), 4);
  if (command == ":MEAS:CURR?")
    return Fixed(MeasuredAmperes(), 4);
  if (command == ":MEAS:POWE?")
    return Fixed(MeasuredVolts() * MeasuredAmperes(), 3);
  if (command == ":SOUR:VOLT?")
    return Fixed(Selected().voltageSet, 3);
  if (command == ":SOUR:CURR?")
    return Fixed(Selected().currentSet, 3);
  if (command == ":OUTP?")
    return Selected().on ? "ON" : "OFF";
  if (const std::optional<double> v = Argument(command, ":SOUR:VOLT"))
    Selected().voltageSet = *v;
  else if (const std::optional<double> a = Argument(command, ":SOUR:CURR"))
    Selected().currentSet = *a;
  else if (command == ":OUTP ON")
    Selected().on = true;
  else if (command == ":OUTP OFF")
    Selected().on = false;
  // SYST:REMOTE and SYST:LOCAL: nothing to answer.
  return std::nullopt;
}

}  // namespace gaugecal::instruments
