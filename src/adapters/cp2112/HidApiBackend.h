#pragma once
// hidapi behind the HID seam (the hidraw back end on Linux).

#include "adapters/cp2112/Hid.h"

namespace gaugecal::adapters::cp2112 {

class HidApiBackend : public HidBackend, public std::enable_shared_from_this<HidApiBackend> {
 public:
  // Made shared: open devices keep the library initialised.
  static std::shared_ptr<HidApiBackend> Create();
  ~HidApiBackend() override;

  std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
  int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) override;
  std::unique_ptr<HidDevice> Open(const std::string& path, std::string& error) override;

 private:
  HidApiBackend();
  bool initialised_;
};

}  // namespace gaugecal::adapters::cp2112
