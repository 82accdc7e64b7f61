#pragma once
// The one interface every bus adapter driver offers: list what is attached, open one, describe
// it and close it. An open adapter is the host link every transfer of the tool goes through.
// One folder per driver: i2cdev/ (Linux i2c-dev), cp2112/ (the USB-to-SMBus bridge); the
// SMBus protocol both share is in smbus/, their emulations for tests in emulation/.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "adapters/AdapterChoice.h"
#include "device/HostLink.h"
#include "platform/AdvisoryLock.h"

namespace gaugecal::adapters {

class Adapter : public HostLink {
 public:
  // What is open, for people: "i2c-dev /dev/i2c-1, PEC on".
  virtual std::string Describe() const = 0;
  // Releases the device; later transfers fail with DeviceGone.
  virtual void Close() = 0;

  // Where diagnoses beyond the status go (a transfer the adapter cannot carry, a device that
  // went away); each distinct text is passed on once.
  void SetWarningSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  // The station lock taken before the device was opened, held as long as the adapter lives.
  void HoldLock(std::unique_ptr<AdvisoryLock> lock) { lock_ = std::move(lock); }

 protected:
  void Warn(const std::string& text);

 private:
  std::function<void(const std::string&)> sink_;
  std::set<std::string> warned_;
  std::unique_ptr<AdvisoryLock> lock_;
};

// An adapter found attached: its --adapter name and what it is.
struct AttachedAdapter {
  std::string name;
  std::string description;
};

class AdapterDriver {
 public:
  virtual ~AdapterDriver() = default;
  virtual std::vector<AttachedAdapter> List() = 0;
  // nullptr and a message naming the device and the problem when it cannot be opened. The
  // device is locked for this process first; when another one holds it, nothing is opened and
  // LastOpenInUse() tells.
  virtual std::unique_ptr<Adapter> Open(const AdapterChoice& choice, std::string& error) = 0;
  bool LastOpenInUse() const { return inUse_; }

 protected:
  bool inUse_ = false;
};

}  // namespace gaugecal::adapters
