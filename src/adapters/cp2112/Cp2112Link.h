#pragma once
// The CP2112 USB-to-SMBus bridge as host link. Every transfer is one request report, then the
// transfer status is polled until the bridge reports it complete or failed; a transfer still
// busy after the wait is cancelled. Reads then fetch the bytes read with a force send. The
// bridge only moves bytes, so the SMBus framing and the packet error code are computed here
// (smbus/). Waits between polls go through the platform, so virtual time works.

#include <memory>
#include <string>

#include "adapters/cp2112/Hid.h"
#include "adapters/cp2112/Reports.h"
#include "adapters/smbus/SmbusLink.h"

namespace gaugecal::adapters::cp2112 {

struct Cp2112Settings {
  bool pec = false;
  uint32_t clockHz = 100000;
  int timeoutMs = 100;   // the bridge's read and write timeouts; the host waits this long, plus
                         // kStatusMarginMs, for a transfer to finish
  uint16_t retries = 0;  // the bridge's retry setting, sent as it stands
  int responseMs = 50;   // wait for each report the bridge owes
  int pollMs = 1;        // pause between two status requests of a busy transfer
};

constexpr int kStatusMarginMs = 50;

class Cp2112Link : public SmbusLink {
 public:
  // Configures the bridge; nullptr and a message when it refuses.
  static std::unique_ptr<Cp2112Link> Open(std::unique_ptr<HidDevice> device, std::string serial,
                                          const Cp2112Settings& settings, Platform& platform,
                                          std::string& error);

  std::string Describe() const override;
  void Close() override;

 protected:
  BusError ReadWord(uint8_t address, uint8_t command, uint16_t& word) override;
  BusError WriteWord(uint8_t address, uint8_t command, uint16_t word) override;
  BusError ReadBlock(uint8_t address, uint8_t command, std::vector<uint8_t>& data) override;
  BusError WriteBlock(uint8_t address, uint8_t command, std::span<const uint8_t> data) override;

 private:
  Cp2112Link(std::unique_ptr<HidDevice> device, std::string serial, const Cp2112Settings& settings,
             Platform& platform);

  BusError Write(uint8_t address, const std::vector<uint8_t>& bytes);
  BusError WriteRead(uint8_t address, uint8_t command, size_t length, std::vector<uint8_t>& read);
  BusError Await(TransferStatus& status);
  BusError Send(const Report& report);
  BusError Receive(uint8_t id, Report& report);
  BusError Gone();

  std::unique_ptr<HidDevice> device_;
  std::string serial_;
  Cp2112Settings settings_;
};

}  // namespace gaugecal::adapters::cp2112
