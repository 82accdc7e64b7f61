#pragma once
// An emulated three-channel programmable supply, answering the SCPI commands libsigrok's
// scpi-pps driver sends as the model that driver knows. Its channels are driven by the
// emulated bench: the first two make cell voltages of the simulated pack, the third drives
// the pack's current.

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "instruments/emulation/ScpiServer.h"

namespace gaugecal::instruments {

struct SupplyChannel {
  double voltageSet = 0.0;  // V
  double currentSet = 0.0;  // A
  bool on = false;
  bool constantCurrent = false;  // into a load that takes all it is given (the pack)
  double terminalVolts = 0.0;    // what the load holds its terminals at in constant current
};

class EmulatedSupply {
 public:
  static constexpr int kChannels = 3;

  static std::unique_ptr<EmulatedSupply> Start(std::string& error);

  // Channel 1..3, as the supply numbers them.
  SupplyChannel Channel(int n);
  void SetChannel(int n, const SupplyChannel& channel);
  // What the load holds channel n's terminals at while it drives a constant current.
  void SetTerminalVolts(int n, double volts);
  ScpiServer& Server() { return *server_; }

 private:
  std::optional<std::string> Answer(const std::string& command);
  SupplyChannel& Selected() { return channels_[static_cast<size_t>(selected_ - 1)]; }
  double MeasuredVolts();
  double MeasuredAmperes();

  std::mutex mutex_;
  std::array<SupplyChannel, kChannels> channels_{};
  int selected_ = 1;
  std::unique_ptr<ScpiServer> server_;
};

}  // namespace gaugecal::instruments
