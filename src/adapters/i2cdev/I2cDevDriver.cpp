#include "adapters/i2cdev/I2cDevDriver.h"

#include <cerrno>
#include <cstring>

#include "adapters/i2cdev/I2cDevLink.h"

namespace gaugecal::adapters::i2cdev {

std::vector<AttachedAdapter> I2cDevDriver::List() {
  std::vector<AttachedAdapter> found;
  for (const std::string& path : sys_->ListBuses()) {
    const std::string name = sys_->BusName(path);
    found.push_back({"i2c:" + path, "i2c-dev bus" + (name.empty() ? "" : " (" + name + ")")});
  }
  return found;
}

std::unique_ptr<Adapter> I2cDevDriver::Open(const AdapterChoice& choice, std::string& error) {
  inUse_ = false;
  std::unique_ptr<AdvisoryLock> lock;
  const int locked = sys_->Lock(choice.target, lock);
  if (locked == -EWOULDBLOCK) {
    inUse_ = true;
    error = choice.target + kStationInUse;
    return nullptr;
  }
  const I2cDevSettings settings{choice.pec, choice.timeoutMs, choice.retries};
  // A bus that cannot be locked mostly cannot be opened either; the open says why.
  std::unique_ptr<I2cDevLink> link =
      I2cDevLink::Open(sys_, choice.target, settings, platform_, error);
  if (link && locked < 0) {
    error = "cannot lock " + choice.target + ": " + std::strerror(-locked);
    return nullptr;
  }
  if (link)
    link->HoldLock(std::move(lock));
  return link;
}

}  // namespace gaugecal::adapters::i2cdev
