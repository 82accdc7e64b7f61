#pragma once
// The system calls of the i2c-dev driver, as a seam: the Linux ones (LinuxI2cSys) and the
// emulated kernel of the i2c-sim adapter (emulation/FakeI2cKernel). Each is one open, close
// or ioctl of the kernel's i2c-dev interface; failures come back as negative errno values,
// never through errno.

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/AdvisoryLock.h"

namespace gaugecal::adapters::i2cdev {

class I2cSys {
 public:
  virtual ~I2cSys() = default;

  // The i2c-dev device files present ("/dev/i2c-1", ...), in bus order.
  virtual std::vector<std::string> ListBuses() = 0;
  // The adapter's own name for a bus ("SMBus I801 adapter at f040"), or empty.
  virtual std::string BusName(const std::string& path) = 0;

  // The exclusive lock of one station on the bus, taken before the bus is opened: 0 and the
  // lock (none for a bus no other process can reach), or -errno (-EWOULDBLOCK: held elsewhere).
  virtual int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) = 0;
  // A file descriptor, or -errno.
  virtual int Open(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  // ioctls taking a value: I2C_SLAVE, I2C_PEC, I2C_TIMEOUT, I2C_RETRIES. 0 or -errno.
  virtual int Set(int fd, unsigned long request, unsigned long value) = 0;
  // I2C_FUNCS. 0 or -errno.
  virtual int Funcs(int fd, unsigned long& funcs) = 0;
  // I2C_RDWR: the messages as one combined transfer. Messages done, or -errno.
  virtual int Rdwr(int fd, i2c_rdwr_ioctl_data& transfer) = 0;
  // I2C_SMBUS, through libi2c's i2c_smbus_access. 0 or -errno.
  virtual int Smbus(int fd, char readWrite, uint8_t command, int size, i2c_smbus_data& data) = 0;
};

}  // namespace gaugecal::adapters::i2cdev
