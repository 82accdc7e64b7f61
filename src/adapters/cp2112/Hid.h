#pragma once
// The few hidapi calls the bridge driver makes, as a seam: hidapi itself (HidApiBackend) and
// the emulated bridge of the cp2112-sim adapter (emulation/EmulatedCp2112).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/AdvisoryLock.h"

namespace gaugecal::adapters::cp2112 {

struct HidDeviceInfo {
  std::string path;
  std::string serial;
};

// An open HID device; closed when destroyed.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // An output report, ID first: bytes written, or -1.
  virtual int Write(std::span<const uint8_t> report) = 0;
  // The next input report, waiting up to timeoutMs: its length, 0 when none came, or -1.
  virtual int Read(std::span<uint8_t> report, int timeoutMs) = 0;
  // A feature report, ID first: bytes written, or -1.
  virtual int SendFeature(std::span<const uint8_t> report) = 0;
  virtual std::string LastError() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  virtual std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) = 0;
  // The exclusive lock of one station on the bridge at path, taken before it is opened: 0 and
  // the lock (none when there is no node to lock), or -errno (-EWOULDBLOCK: held elsewhere).
  virtual int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) = 0;
  // nullptr and the reason when the device cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path, std::string& error) = 0;
};

}  // namespace gaugecal::adapters::cp2112
