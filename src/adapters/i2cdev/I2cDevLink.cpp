#include "adapters/i2cdev/I2cDevLink.h"

#include <cerrno>
#include <cstring>

#include "adapters/smbus/Frames.h"
#include "device/Codecs.h"

namespace gaugecal::adapters::i2cdev {

namespace {

constexpr int kTimeoutStepMs = 10;  // I2C_TIMEOUT counts in 10 ms

std::string OpenProblem(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return path + " does not exist (is the i2c-dev module loaded? see docs/hardware.md)";
    case EACCES:
    case EPERM:
      return "no permission to open " + path +
             " (join the i2c group or install the udev rule, see docs/hardware.md)";
    default:
      return "cannot open " + path + ": " + std::strerror(error);
  }
}

}  // namespace

std::unique_ptr<I2cDevLink> I2cDevLink::Open(std::shared_ptr<I2cSys> sys, const std::string& path,
                                             const I2cDevSettings& settings, Platform& platform,
                                             std::string& error) {
  const int fd = sys->Open(path);
  if (fd < 0) {
    error = OpenProblem(path, -fd);
    return nullptr;
  }
  unsigned long funcs = 0;
  int result = sys->Funcs(fd, funcs);
  if (result < 0) {
    error = path + " is not an i2c-dev bus: " + std::strerror(-result);
  } else if ((funcs & I2C_FUNC_SMBUS_WORD_DATA) != I2C_FUNC_SMBUS_WORD_DATA) {
    error = path + " offers no SMBus word transfers";
  } else if (settings.pec && (funcs & I2C_FUNC_SMBUS_PEC) == 0) {
    error = path + " does not offer PEC (packet error checking); leave out \",pec\"";
  } else if (settings.pec && (result = sys->Set(fd, I2C_PEC, 1)) < 0) {
    error = "cannot switch on PEC on " + path + ": " + std::strerror(-result);
  } else if (settings.timeoutMs &&
             (result = sys->Set(fd, I2C_TIMEOUT,
                                static_cast<unsigned long>(
                                    (*settings.timeoutMs + kTimeoutStepMs - 1) / kTimeoutStepMs))) <
                 0) {
    error = "cannot set the timeout of " + path + ": " + std::strerror(-result);
  } else if (settings.retries &&
             (result = sys->Set(fd, I2C_RETRIES, static_cast<unsigned long>(*settings.retries))) <
                 0) {
    error = "cannot set the retries of " + path + ": " + std::strerror(-result);
  }
  if (!error.empty()) {
    sys->Close(fd);
    return nullptr;
  }
  return std::unique_ptr<I2cDevLink>(
      new I2cDevLink(std::move(sys), path, fd, funcs, settings.pec, platform));
}

I2cDevLink::I2cDevLink(std::shared_ptr<I2cSys> sys, std::string path, int fd, unsigned long funcs,
                       bool pec, Platform& platform)
    : SmbusLink(platform),
      sys_(std::move(sys)),
      path_(std::move(path)),
      fd_(fd),
      funcs_(funcs),
      pec_(pec) {}

I2cDevLink::~I2cDevLink() {
  Close();
}

std::string I2cDevLink::Describe() const {
  const std::string name = sys_->BusName(path_);
  return "i2c-dev " + path_ + (name.empty() ? "" : " (" + name + ")") +
         (pec_ ? ", PEC on" : ", PEC off");
}

void I2cDevLink::Close() {
  if (fd_ >= 0)
    sys_->Close(fd_);
  fd_ = -1;
}

BusError I2cDevLink::Failed(int negativeErrno) {
  switch (-negativeErrno) {
    case ENXIO:
      return BusError::NoAnswer;
    case EIO:
    case EREMOTEIO:
      return BusError::Nack;
    case ETIMEDOUT:
      return BusError::Timeout;
    case EAGAIN:
      return BusError::ArbitrationLost;
    case EPROTO:
      return BusError::ShortAnswer;
    case EBADMSG:
      return BusError::PecMismatch;
    case ENODEV:
    case ESHUTDOWN:
      Warn(path_ + " went away");
      return BusError::DeviceGone;
    case EOPNOTSUPP:
    case EMSGSIZE:
      return BusError::TooLong;
    case EINVAL:
      return BusError::BadRequest;
    default:
      return BusError::Io;
  }
}

BusError I2cDevLink::Select(uint8_t address) {
  if (fd_ < 0)
    return BusError::DeviceGone;
  if (selected_ == address)
    return BusError::None;
  const int result = sys_->Set(fd_, I2C_SLAVE, address);
  if (result == -EBUSY) {
    Warn("address 0x" + Hex2(address) + " on " + path_ + " is held by a kernel driver");
    return BusError::Io;
  }
  if (result < 0)
    return Failed(result);
  selected_ = address;
  return BusError::None;
}

BusError I2cDevLink::Smbus(char readWrite, uint8_t command, int size, i2c_smbus_data& data) {
  const int result = sys_->Smbus(fd_, readWrite, command, size, data);
  return result < 0 ? Failed(result) : BusError::None;
}

BusError I2cDevLink::Plain(i2c_msg* messages, int count) {
  i2c_rdwr_ioctl_data transfer{messages, static_cast<__u32>(count)};
  const int result = sys_->Rdwr(fd_, transfer);
  if (result < 0)
    return Failed(result);
  return result == count ? BusError::None : BusError::ShortAnswer;
}

BusError I2cDevLink::ReadWord(uint8_t address, uint8_t command, uint16_t& word) {
  if (const BusError e = Select(address); e != BusError::None)
    return e;
  i2c_smbus_data data{};
  const BusError e = Smbus(I2C_SMBUS_READ, command, I2C_SMBUS_WORD_DATA, data);
  if (e == BusError::None)
    word = data.word;
  return e;
}

BusError I2cDevLink::WriteWord(uint8_t address, uint8_t command, uint16_t word) {
  if (const BusError e = Select(address); e != BusError::None)
    return e;
  i2c_smbus_data data{};
  data.word = word;
  return Smbus(I2C_SMBUS_WRITE, command, I2C_SMBUS_WORD_DATA, data);
}

BusError I2cDevLink::ReadBlock(uint8_t address, uint8_t command, std::vector<uint8_t>& data) {
  if (const BusError e = Select(address); e != BusError::None)
    return e;
  if (Offers(I2C_FUNC_I2C)) {
    // Command, repeated start, then the longest block: one transfer whatever the count.
    uint8_t written = command;
    std::vector<uint8_t> read(smbus::BlockReadLength(pec_));
    i2c_msg messages[] = {{address, 0, 1, &written},
                          {address, I2C_M_RD, static_cast<__u16>(read.size()), read.data()}};
    const BusError e = Plain(messages, 2);
    return e == BusError::None ? smbus::ParseBlock(address, command, read, pec_, data) : e;
  }
  if (!Offers(I2C_FUNC_SMBUS_READ_BLOCK_DATA)) {
    Warn(path_ + " offers neither SMBus block reads nor plain I2C");
    return BusError::TooLong;
  }
  i2c_smbus_data block{};
  const BusError e = Smbus(I2C_SMBUS_READ, command, I2C_SMBUS_BLOCK_DATA, block);
  if (e == BusError::ShortAnswer) {
    Warn("block 0x" + Hex2(command) + " came back malformed or longer than 32 bytes, which " +
         path_ + " cannot read (no plain I2C)");
  }
  if (e == BusError::None) {
    const size_t count = std::min<size_t>(block.block[0], smbus::kBlockMax);
    data.assign(block.block + 1, block.block + 1 + count);
  }
  return e;
}

BusError I2cDevLink::WriteBlock(uint8_t address, uint8_t command, std::span<const uint8_t> data) {
  if (const BusError e = Select(address); e != BusError::None)
    return e;
  if (data.size() <= smbus::kBlockMax && Offers(I2C_FUNC_SMBUS_WRITE_BLOCK_DATA)) {
    i2c_smbus_data block{};
    block.block[0] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), block.block + 1);
    return Smbus(I2C_SMBUS_WRITE, command, I2C_SMBUS_BLOCK_DATA, block);
  }
  if (!Offers(I2C_FUNC_I2C)) {
    Warn("a block write of " + std::to_string(data.size()) + " bytes is more than " + path_ +
         " can send (32 bytes without plain I2C); not sent");
    return BusError::TooLong;
  }
  std::vector<uint8_t> bytes = smbus::BlockWrite(address, command, data, pec_);
  i2c_msg message = {address, 0, static_cast<__u16>(bytes.size()), bytes.data()};
  return Plain(&message, 1);
}

}  // namespace gaugecal::adapters::i2cdev
