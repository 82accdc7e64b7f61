#pragma once
// The i2c-dev driver behind the adapter interface: lists the buses, opens one as host link.

#include <memory>

#include "adapters/Adapter.h"
#include "adapters/i2cdev/I2cSys.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::adapters::i2cdev {

class I2cDevDriver : public AdapterDriver {
 public:
  I2cDevDriver(std::shared_ptr<I2cSys> sys, Platform& platform)
      : sys_(std::move(sys)), platform_(platform) {}

  std::vector<AttachedAdapter> List() override;
  std::unique_ptr<Adapter> Open(const AdapterChoice& choice, std::string& error) override;

 private:
  std::shared_ptr<I2cSys> sys_;
  Platform& platform_;
};

}  // namespace gaugecal::adapters::i2cdev
