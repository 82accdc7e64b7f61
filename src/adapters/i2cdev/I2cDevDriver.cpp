#include "adapters/i2cdev/I2cDevDriver.h"

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
  const I2cDevSettings settings{choice.pec, choice.timeoutMs, choice.retries};
  return I2cDevLink::Open(sys_, choice.target, settings, platform_, error);
}

}  // namespace gaugecal::adapters::i2cdev
