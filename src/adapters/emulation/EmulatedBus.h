#pragma once
// The SMBus wire between an emulated adapter and the simulated gauge: write transfers and
// write-read transfers with a repeated start, byte for byte, as a bridge or a kernel driver
// clocks them. The gauge decides from the command (a bus carries no member name) whether a
// transfer is a word or a block; it checks the packet error code of a write that carries one
// and follows every answer with its own, then the bus idles high (0xFF) for the bytes a master
// clocks beyond. The adapter faults of the scenario (busy forever, arbitration lost, read
// incomplete, PEC corrupted, unplugged) strike here, before the gauge sees the transfer.
// Bus time is the gauge's own for the SMBus transfer, so a run on an emulated adapter keeps the
// same timeline as on the simulated gauge itself.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sim/FaultInjector.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::adapters::emulation {

enum class WireOutcome {
  Ack,              // done
  AddressNack,      // nobody acknowledged the address
  DataNack,         // the gauge refused the command or its data
  ArbitrationLost,  // another master took the bus; nothing reached the gauge
  ReadIncomplete,   // the read ended early; read holds what arrived
  BusyForever,      // the transfer never ends
  Unplugged,        // the adapter went away during the transfer
};

struct WireResult {
  WireOutcome outcome = WireOutcome::Ack;
  std::vector<uint8_t> read;  // the bytes the master clocked in
};

class EmulatedBus {
 public:
  explicit EmulatedBus(std::unique_ptr<sim::SimulatedGauge> gauge);

  WireResult Write(uint8_t address, std::span<const uint8_t> bytes);
  WireResult WriteRead(uint8_t address, std::span<const uint8_t> written, size_t readLength);

  sim::SimulatedGauge& Gauge() { return *gauge_; }
  // The emulated adapter's station lock. Other processes reach this bus only through the
  // gauge's data flash file, so that file is what is locked; a gauge without one is this
  // process's alone. 0 and the lock (or none), or -errno.
  int LockDevice(std::unique_ptr<AdvisoryLock>& lock);
  // Transfers that went out on the wire, whatever became of them.
  int64_t Transfers() const { return transfers_; }

 private:
  bool GaugeAt(uint8_t address) const;
  static WireOutcome Outcome(int32_t gaugeStatus);

  std::unique_ptr<sim::SimulatedGauge> gauge_;
  sim::FaultInjector faults_;
  int64_t transfers_ = 0;
};

}  // namespace gaugecal::adapters::emulation
