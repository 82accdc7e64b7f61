#pragma once
// A Linux i2c-dev bus as host link: word transfers and block transfers of up to 32 bytes
// through the kernel's SMBus calls (the kernel adds and checks the PEC), block reads and longer
// block writes as plain I2C transfers where the bus offers them (the PEC then computed here).
// Each kernel error becomes one status and one pending host error. The bus speed is the bus
// driver's own; nothing here sets or assumes it.

#include <memory>
#include <optional>
#include <string>

#include "adapters/i2cdev/I2cSys.h"
#include "adapters/smbus/SmbusLink.h"

namespace gaugecal::adapters::i2cdev {

struct I2cDevSettings {
  bool pec = false;
  std::optional<int> timeoutMs;  // the bus driver's transfer timeout (10 ms steps)
  std::optional<int> retries;    // how often the bus driver retries an unanswered address
};

class I2cDevLink : public SmbusLink {
 public:
  // nullptr and a message naming the bus and the problem when it cannot be used as asked.
  static std::unique_ptr<I2cDevLink> Open(std::shared_ptr<I2cSys> sys, const std::string& path,
                                          const I2cDevSettings& settings, Platform& platform,
                                          std::string& error);
  ~I2cDevLink() override;

  std::string Describe() const override;
  void Close() override;

 protected:
  BusError ReadWord(uint8_t address, uint8_t command, uint16_t& word) override;
  BusError WriteWord(uint8_t address, uint8_t command, uint16_t word) override;
  BusError ReadBlock(uint8_t address, uint8_t command, std::vector<uint8_t>& data) override;
  BusError WriteBlock(uint8_t address, uint8_t command, std::span<const uint8_t> data) override;

 private:
  I2cDevLink(std::shared_ptr<I2cSys> sys, std::string path, int fd, unsigned long funcs, bool pec,
             Platform& platform);

  BusError Select(uint8_t address);
  BusError Smbus(char readWrite, uint8_t command, int size, i2c_smbus_data& data);
  BusError Plain(i2c_msg* messages, int count);
  BusError Failed(int negativeErrno);
  bool Offers(unsigned long what) const { return (funcs_ & what) == what; }

  std::shared_ptr<I2cSys> sys_;
  std::string path_;
  int fd_;
  unsigned long funcs_;
  bool pec_;
  std::optional<uint8_t> selected_;
};

}  // namespace gaugecal::adapters::i2cdev
