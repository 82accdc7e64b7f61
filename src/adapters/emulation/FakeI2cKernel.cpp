#include "adapters/emulation/FakeI2cKernel.h"

#include <algorithm>
#include <cerrno>

#include "adapters/smbus/Frames.h"
#include "platform/Platform.h"

namespace gaugecal::adapters::emulation {

namespace {

constexpr int kTimeoutStepMs = 10;

int ParseErrno(BusError e) {
  return e == BusError::PecMismatch ? -EBADMSG : -EPROTO;
}

}  // namespace

FakeI2cKernel::FakeI2cKernel(std::shared_ptr<EmulatedBus> bus, Platform& platform,
                             FakeBusConfig config)
    : bus_(std::move(bus)), platform_(platform), config_(std::move(config)) {}

std::vector<std::string> FakeI2cKernel::ListBuses() {
  return gone_ ? std::vector<std::string>{} : std::vector<std::string>{config_.path};
}

std::string FakeI2cKernel::BusName(const std::string& path) {
  return path == config_.path ? config_.name : "";
}

int FakeI2cKernel::Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) {
  if (gone_ || path != config_.path)
    return -ENOENT;
  return bus_->LockDevice(lock);
}

int FakeI2cKernel::Open(const std::string& path) {
  if (gone_ || path != config_.path)
    return -ENOENT;
  files_[nextFd_] = File{};
  return nextFd_++;
}

int FakeI2cKernel::Close(int fd) {
  return files_.erase(fd) == 1 ? 0 : -EBADF;
}

int FakeI2cKernel::Check(int fd, File*& file) {
  const auto it = files_.find(fd);
  if (it == files_.end())
    return -EBADF;
  file = &it->second;
  return gone_ ? -ENODEV : 0;
}

int FakeI2cKernel::Set(int fd, unsigned long request, unsigned long value) {
  File* file = nullptr;
  if (const int e = Check(fd, file); e < 0)
    return e;
  switch (request) {
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE:
      if (value > 0x7F)
        return -EINVAL;
      if (request == I2C_SLAVE && config_.driverAddresses.count(static_cast<uint8_t>(value)))
        return -EBUSY;
      file->address = static_cast<uint8_t>(value);
      return 0;
    case I2C_PEC:
      file->pec = value != 0;
      return 0;
    case I2C_TIMEOUT:
      timeoutMs_ = static_cast<int>(value) * kTimeoutStepMs;
      return 0;
    case I2C_RETRIES:
      retries_ = static_cast<int>(value);
      return 0;
    default:
      return -ENOTTY;
  }
}

int FakeI2cKernel::Funcs(int fd, unsigned long& funcs) {
  File* file = nullptr;
  if (const int e = Check(fd, file); e < 0)
    return e;
  funcs = config_.funcs;
  return 0;
}

WireResult FakeI2cKernel::Transfer(uint8_t address, std::span<const uint8_t> written,
                                   std::optional<size_t> read) {
  WireResult result;
  for (int attempt = 0; attempt <= retries_; ++attempt) {
    result = read ? bus_->WriteRead(address, written, *read) : bus_->Write(address, written);
    if (result.outcome != WireOutcome::ArbitrationLost)
      break;
  }
  return result;
}

int FakeI2cKernel::Errno(WireOutcome outcome) {
  switch (outcome) {
    case WireOutcome::Ack:
      return 0;
    case WireOutcome::AddressNack:
      return -ENXIO;
    case WireOutcome::DataNack:
      return -EIO;
    case WireOutcome::ArbitrationLost:
      return -EAGAIN;
    case WireOutcome::ReadIncomplete:
      return -EPROTO;
    case WireOutcome::BusyForever:
      platform_.PassTime(timeoutMs_);
      return -ETIMEDOUT;
    case WireOutcome::Unplugged:
      gone_ = true;
      return -ENODEV;
  }
  return -EIO;
}

int FakeI2cKernel::SmbusRead(const File& file, uint8_t command, int size, i2c_smbus_data& data) {
  const bool word = size == I2C_SMBUS_WORD_DATA;
  const size_t length = word ? smbus::WordReadLength(file.pec) : smbus::BlockReadLength(file.pec);
  const WireResult r = Transfer(file.address, std::span(&command, 1), length);
  if (const int e = Errno(r.outcome); e < 0)
    return e;
  if (word) {
    const BusError e = smbus::ParseWord(file.address, command, r.read, file.pec, data.word);
    return e == BusError::None ? 0 : ParseErrno(e);
  }
  // The bus driver takes the count first and refuses one the SMBus block cannot hold.
  if (r.read.empty() || r.read[0] == 0 || r.read[0] > I2C_SMBUS_BLOCK_MAX)
    return -EPROTO;
  std::vector<uint8_t> block;
  const BusError e = smbus::ParseBlock(file.address, command, r.read, file.pec, block);
  if (e != BusError::None)
    return ParseErrno(e);
  data.block[0] = static_cast<uint8_t>(block.size());
  std::copy(block.begin(), block.end(), data.block + 1);
  return 0;
}

int FakeI2cKernel::Smbus(int fd, char readWrite, uint8_t command, int size, i2c_smbus_data& data) {
  File* file = nullptr;
  if (const int e = Check(fd, file); e < 0)
    return e;
  const bool read = readWrite == I2C_SMBUS_READ;
  unsigned long needed = 0;
  if (size == I2C_SMBUS_WORD_DATA)
    needed = read ? I2C_FUNC_SMBUS_READ_WORD_DATA : I2C_FUNC_SMBUS_WRITE_WORD_DATA;
  else if (size == I2C_SMBUS_BLOCK_DATA)
    needed = read ? I2C_FUNC_SMBUS_READ_BLOCK_DATA : I2C_FUNC_SMBUS_WRITE_BLOCK_DATA;
  if (needed == 0 || (config_.funcs & needed) == 0)
    return -EOPNOTSUPP;
  if (read)
    return SmbusRead(*file, command, size, data);
  std::vector<uint8_t> bytes;
  if (size == I2C_SMBUS_WORD_DATA) {
    bytes = smbus::WordWrite(file->address, command, data.word, file->pec);
  } else {
    const uint8_t count = data.block[0];
    if (count == 0 || count > I2C_SMBUS_BLOCK_MAX)
      return -EINVAL;
    bytes = smbus::BlockWrite(file->address, command, std::span(data.block + 1, count), file->pec);
  }
  return Errno(Transfer(file->address, bytes, std::nullopt).outcome);
}

int FakeI2cKernel::Rdwr(int fd, i2c_rdwr_ioctl_data& transfer) {
  File* file = nullptr;
  if (const int e = Check(fd, file); e < 0)
    return e;
  if ((config_.funcs & I2C_FUNC_I2C) == 0)
    return -EOPNOTSUPP;
  const i2c_msg* m = transfer.msgs;
  const bool write = transfer.nmsgs == 1 && (m[0].flags & I2C_M_RD) == 0;
  const bool writeRead = transfer.nmsgs == 2 && (m[0].flags & I2C_M_RD) == 0 &&
                         (m[1].flags & I2C_M_RD) != 0 && m[0].addr == m[1].addr;
  if (!write && !writeRead)
    return -EINVAL;
  const auto address = static_cast<uint8_t>(m[0].addr);
  const std::span<const uint8_t> written(m[0].buf, m[0].len);
  if (write) {
    const int e = Errno(Transfer(address, written, std::nullopt).outcome);
    return e < 0 ? e : 1;
  }
  const WireResult r = Transfer(address, written, m[1].len);
  std::copy(r.read.begin(), r.read.end(), m[1].buf);
  if (r.outcome == WireOutcome::ReadIncomplete)
    return 1;  // the read message did not complete
  const int e = Errno(r.outcome);
  return e < 0 ? e : 2;
}

}  // namespace gaugecal::adapters::emulation
