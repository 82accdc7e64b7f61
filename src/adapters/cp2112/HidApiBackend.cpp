#include "adapters/cp2112/HidApiBackend.h"

#include <hidapi.h>

namespace gaugecal::adapters::cp2112 {

namespace {

// hidapi reports texts as wide strings; serial numbers are plain ASCII.
std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text)
    out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

class HidApiDevice : public HidDevice {
 public:
  HidApiDevice(hid_device* device, std::shared_ptr<HidApiBackend> library)
      : device_(device), library_(std::move(library)) {}
  ~HidApiDevice() override { hid_close(device_); }
  HidApiDevice(const HidApiDevice&) = delete;
  HidApiDevice& operator=(const HidApiDevice&) = delete;

  int Write(std::span<const uint8_t> report) override {
    return hid_write(device_, report.data(), report.size());
  }
  int Read(std::span<uint8_t> report, int timeoutMs) override {
    return hid_read_timeout(device_, report.data(), report.size(), timeoutMs);
  }
  int SendFeature(std::span<const uint8_t> report) override {
    return hid_send_feature_report(device_, report.data(), report.size());
  }
  std::string LastError() override { return Narrow(hid_error(device_)); }

 private:
  hid_device* device_;
  std::shared_ptr<HidApiBackend> library_;
};

}  // namespace

std::shared_ptr<HidApiBackend> HidApiBackend::Create() {
  return std::shared_ptr<HidApiBackend>(new HidApiBackend());
}

HidApiBackend::HidApiBackend() : initialised_(hid_init() == 0) {}

HidApiBackend::~HidApiBackend() {
  if (initialised_)
    hid_exit();
}

std::vector<HidDeviceInfo> HidApiBackend::Enumerate(uint16_t vendor, uint16_t product) {
  std::vector<HidDeviceInfo> found;
  if (!initialised_)
    return found;
  hid_device_info* list = hid_enumerate(vendor, product);
  for (const hid_device_info* d = list; d; d = d->next)
    found.push_back({d->path ? d->path : "", Narrow(d->serial_number)});
  hid_free_enumeration(list);
  return found;
}

int HidApiBackend::Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) {
  // The hidraw back end names the device node; a back end whose paths are no files (libusb)
  // leaves nothing to lock.
  if (path.rfind("/dev/", 0) != 0)
    return 0;
  return AdvisoryLock::Acquire(path, false, lock);
}

std::unique_ptr<HidDevice> HidApiBackend::Open(const std::string& path, std::string& error) {
  hid_device* device = initialised_ ? hid_open_path(path.c_str()) : nullptr;
  if (!device) {
    error = initialised_ ? Narrow(hid_error(nullptr)) : "the HID library did not start";
    if (error.empty())
      error = "the device did not open";
    return nullptr;
  }
  return std::make_unique<HidApiDevice>(device, shared_from_this());
}

}  // namespace gaugecal::adapters::cp2112
