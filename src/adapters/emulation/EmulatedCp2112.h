#pragma once
// The bridge side of the cp2112-sim adapter: a CP2112 that takes the driver's HID reports
// (configuration, write, write-read, status, force send, cancel) and carries the transfers
// over the emulated bus to the simulated gauge, answering with status and read reports as the
// bridge does. Reports the bridge owes wait in its input queue; a read with nothing queued
// lets its timeout pass on the platform clock. An unplugged bridge fails every call from then
// on and no longer enumerates.

#include <deque>
#include <memory>
#include <optional>

#include "adapters/cp2112/Hid.h"
#include "adapters/cp2112/Reports.h"
#include "adapters/emulation/EmulatedBus.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::adapters::emulation {

class EmulatedCp2112 : public cp2112::HidDevice {
 public:
  EmulatedCp2112(std::shared_ptr<EmulatedBus> bus, std::shared_ptr<bool> unplugged,
                 std::shared_ptr<bool> open, Platform& platform);
  ~EmulatedCp2112() override { *open_ = false; }
  EmulatedCp2112(const EmulatedCp2112&) = delete;
  EmulatedCp2112& operator=(const EmulatedCp2112&) = delete;

  int Write(std::span<const uint8_t> report) override;
  int Read(std::span<uint8_t> report, int timeoutMs) override;
  int SendFeature(std::span<const uint8_t> report) override;
  std::string LastError() override { return error_; }

  const std::optional<cp2112::SmbusConfig>& Config() const { return config_; }
  // Requests of each kind received, by report ID.
  int Requests(uint8_t id) const { return requests_[id]; }

 private:
  int Fail(const std::string& error);
  void Finish(const WireResult& result);
  void Queue(cp2112::Report report) { input_.push_back(std::move(report)); }
  void SendRead(uint16_t length);

  std::shared_ptr<EmulatedBus> bus_;
  std::shared_ptr<bool> unplugged_;
  std::shared_ptr<bool> open_;
  Platform& platform_;
  std::optional<cp2112::SmbusConfig> config_;
  cp2112::TransferStatus status_;
  std::vector<uint8_t> readData_;  // read from the bus, not yet sent to the host
  std::deque<cp2112::Report> input_;
  std::string error_;
  int requests_[256] = {};
};

// The HID library of the cp2112-sim adapter: one bridge, serial kSerial, open once at a time.
class EmulatedHidBackend : public cp2112::HidBackend {
 public:
  static constexpr const char* kSerial = "SIM00001";

  EmulatedHidBackend(std::shared_ptr<EmulatedBus> bus, Platform& platform);

  std::vector<cp2112::HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
  int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) override;
  std::unique_ptr<cp2112::HidDevice> Open(const std::string& path, std::string& error) override;

  // The bridge last opened, while it is open (for tests).
  EmulatedCp2112* Bridge() const { return *open_ ? bridge_ : nullptr; }

 private:
  std::shared_ptr<EmulatedBus> bus_;
  std::shared_ptr<bool> unplugged_ = std::make_shared<bool>(false);
  std::shared_ptr<bool> open_ = std::make_shared<bool>(false);
  Platform& platform_;
  EmulatedCp2112* bridge_ = nullptr;
};

}  // namespace gaugecal::adapters::emulation
