#pragma once
// Decides, transfer by transfer, which of a scenario's faults strike. Every fault counts the
// transfers (or data flash writes, or digests) that match its member and command; it strikes
// from its occurrence on, for count of them, or on every one when occurrence is 0.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace gaugecal::sim {

struct TransferEffect {
  bool noAnswer = false;     // nobody acknowledges the address
  bool nack = false;         // the gauge refuses this transfer
  bool errorStatus = false;  // the transfer works but its status is a host error
  int blockDelta = 0;        // block reads: bytes added (positive) or removed (negative)
};

// What the faults of a bus adapter do to one transfer (emulated adapters only).
struct BridgeEffect {
  bool busyForever = false;
  bool arbitrationLost = false;
  bool pecMismatch = false;
  bool unplugged = false;
  std::optional<int> readKeeps;  // a read ends after this many bytes

  bool Any() const {
    return busyForever || arbitrationLost || pecMismatch || unplugged || readKeeps;
  }
};

struct Corruption {
  int offset;
  uint8_t xorMask;
};

class FaultInjector {
 public:
  explicit FaultInjector(const std::vector<Fault>& faults);

  // Called once for every host-link transfer, in order. onBus: the transfer came over an
  // emulated bus, which carries no member name, only the kind of transfer: a fault naming
  // ReadSMBusWord_ then matches every word read, one naming ReadSMBusBlock every block read.
  TransferEffect OnTransfer(const std::string& member, int command, bool blockRead,
                            bool onBus = false);
  // Called once for every transfer an emulated adapter carries, before the gauge sees it.
  BridgeEffect OnBridgeTransfer(const std::string& member, int command, bool read);
  // Called once for every data flash write the gauge accepts, with the block command.
  std::vector<Corruption> OnFlashWrite(int command);
  // Called once for every authentication digest the gauge computes: the bus bytes (from 0,
  // least significant first) to invert, and whether it goes most significant byte first.
  struct DigestEffect {
    std::vector<int> invert;
    bool msbFirst = false;
  };
  DigestEffect OnDigest();
  // Platform time (after opening) at which the rolling counter stops, if it does.
  std::optional<double> CounterStopMs() const;

 private:
  struct Armed {
    Fault fault;
    int64_t seen = 0;
  };
  static bool Matches(const Fault& f, const std::string& member, int command, bool onBus);
  static bool Strikes(Armed& a);

  std::vector<Armed> armed_;
};

}  // namespace gaugecal::sim
