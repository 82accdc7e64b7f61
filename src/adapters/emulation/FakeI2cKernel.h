#pragma once
// The kernel side of the i2c-sim adapter: the i2c-dev system calls answered as Linux answers
// them (file descriptors, I2C_SLAVE, I2C_FUNCS, I2C_PEC, I2C_TIMEOUT, I2C_RETRIES, I2C_SMBUS
// word and block transfers of up to 32 bytes with the kernel's PEC, I2C_RDWR combined
// transfers, errno values), over the emulated bus and its simulated gauge. What the bus
// offers is configurable, so the driver can be tried against a plain SMBus controller too.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "adapters/emulation/EmulatedBus.h"
#include "adapters/i2cdev/I2cSys.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::adapters::emulation {

struct FakeBusConfig {
  std::string path = "/dev/i2c-0";
  std::string name = "emulated SMBus";
  unsigned long funcs =
      I2C_FUNC_I2C | I2C_FUNC_SMBUS_PEC | I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA;
  std::set<uint8_t> driverAddresses;  // held by a kernel driver: I2C_SLAVE answers EBUSY
};

class FakeI2cKernel : public i2cdev::I2cSys {
 public:
  FakeI2cKernel(std::shared_ptr<EmulatedBus> bus, Platform& platform, FakeBusConfig config = {});

  std::vector<std::string> ListBuses() override;
  std::string BusName(const std::string& path) override;
  int Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) override;
  int Open(const std::string& path) override;
  int Close(int fd) override;
  int Set(int fd, unsigned long request, unsigned long value) override;
  int Funcs(int fd, unsigned long& funcs) override;
  int Rdwr(int fd, i2c_rdwr_ioctl_data& transfer) override;
  int Smbus(int fd, char readWrite, uint8_t command, int size, i2c_smbus_data& data) override;

  EmulatedBus& Bus() { return *bus_; }
  size_t OpenFiles() const { return files_.size(); }

 private:
  struct File {
    uint8_t address = 0;
    bool pec = false;
  };

  // The open file, or -errno when fd is not one or the bus went away.
  int Check(int fd, File*& file);
  // A wire transfer with the bus driver's retries on lost arbitration.
  WireResult Transfer(uint8_t address, std::span<const uint8_t> written,
                      std::optional<size_t> read);
  // 0, or -errno for a transfer that did not complete.
  int Errno(WireOutcome outcome);
  int SmbusRead(const File& file, uint8_t command, int size, i2c_smbus_data& data);

  std::shared_ptr<EmulatedBus> bus_;
  Platform& platform_;
  FakeBusConfig config_;
  std::map<int, File> files_;
  int nextFd_ = 3;
  bool gone_ = false;
  int timeoutMs_ = 1000;  // the kernel's default: one second
  int retries_ = 0;
};

}  // namespace gaugecal::adapters::emulation
