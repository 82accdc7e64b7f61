#pragma once
// The real system calls on Linux: device files under /dev, names from sysfs, the ioctls, and
// SMBus transfers through libi2c.

#include "adapters/i2cdev/I2cSys.h"

namespace gaugecal::adapters::i2cdev {

class LinuxI2cSys : public I2cSys {
 public:
  std::vector<std::string> ListBuses() override;
  std::string BusName(const std::string& path) override;
  int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) override;
  int Open(const std::string& path) override;
  int Close(int fd) override;
  int Set(int fd, unsigned long request, unsigned long value) override;
  int Funcs(int fd, unsigned long& funcs) override;
  int Rdwr(int fd, i2c_rdwr_ioctl_data& transfer) override;
  int Smbus(int fd, char readWrite, uint8_t command, int size, i2c_smbus_data& data) override;
};

}  // namespace gaugecal::adapters::i2cdev
