#include "adapters/cp2112/Cp2112Link.h"

#include "adapters/smbus/Frames.h"
#include "platform/Platform.h"

namespace gaugecal::adapters::cp2112 {

namespace {
// The blocks the gauge's identification writes before it reads the answer.
constexpr size_t kIdentificationBlock = 62;
constexpr uint8_t kIdentificationFirst = 0x22;
constexpr uint8_t kIdentificationThen = 0x20;
}  // namespace

namespace {

constexpr int kStrayReports = 16;  // unrelated input reports skipped while waiting for one

BusError FromStatus1(uint8_t status1) {
  switch (status1) {
    case kTimeoutOrNack:
    case kWriteIncomplete:
      return BusError::Nack;
    case kBusTimeout:
      return BusError::Timeout;
    case kArbitrationLost:
      return BusError::ArbitrationLost;
    case kReadIncomplete:
      return BusError::ShortAnswer;
    default:
      return BusError::Io;
  }
}

}  // namespace

std::unique_ptr<Cp2112Link> Cp2112Link::Open(std::unique_ptr<HidDevice> device, std::string serial,
                                             const Cp2112Settings& settings, Platform& platform,
                                             std::string& error) {
  SmbusConfig config;
  config.clockHz = settings.clockHz;
  config.writeTimeoutMs = static_cast<uint16_t>(settings.timeoutMs);
  config.readTimeoutMs = static_cast<uint16_t>(settings.timeoutMs);
  config.retryTime = settings.retries;
  const Report report = ConfigReport(config);
  if (device->SendFeature(report) != static_cast<int>(report.size())) {
    error =
        "the CP2112 bridge " + serial + " refused its SMBus configuration: " + device->LastError();
    return nullptr;
  }
  return std::unique_ptr<Cp2112Link>(
      new Cp2112Link(std::move(device), std::move(serial), settings, platform));
}

Cp2112Link::Cp2112Link(std::unique_ptr<HidDevice> device, std::string serial,
                       const Cp2112Settings& settings, Platform& platform)
    : SmbusLink(platform),
      device_(std::move(device)),
      serial_(std::move(serial)),
      settings_(settings) {}

std::string Cp2112Link::Describe() const {
  return "CP2112 bridge" + (serial_.empty() ? "" : " " + serial_) + ", " +
         std::to_string(settings_.clockHz / 1000) + " kHz" +
         (settings_.pec ? ", PEC on" : ", PEC off");
}

void Cp2112Link::Close() {
  device_.reset();
}

BusError Cp2112Link::Gone() {
  Warn("the CP2112 bridge " + serial_ + " went away");
  device_.reset();
  return BusError::DeviceGone;
}

BusError Cp2112Link::Send(const Report& report) {
  if (!device_)
    return BusError::DeviceGone;
  return device_->Write(report) < 0 ? Gone() : BusError::None;
}

BusError Cp2112Link::Receive(uint8_t id, Report& report) {
  for (int stray = 0; stray < kStrayReports; ++stray) {
    if (!device_)
      return BusError::DeviceGone;
    report.assign(kReportSize, 0);
    const int n = device_->Read(report, settings_.responseMs);
    if (n < 0)
      return Gone();
    if (n == 0) {
      Warn("the CP2112 bridge " + serial_ + " did not answer within " +
           std::to_string(settings_.responseMs) + " ms");
      return BusError::Timeout;
    }
    report.resize(static_cast<size_t>(n));
    if (report[0] == id)
      return BusError::None;
  }
  return BusError::Io;
}

BusError Cp2112Link::Await(TransferStatus& status) {
  Platform& clock = platform();
  const double start = clock.ClockMs();
  const int waitMs = settings_.timeoutMs + kStatusMarginMs;
  for (;;) {
    Report report;
    if (const BusError e = Send(StatusRequest()); e != BusError::None)
      return e;
    if (const BusError e = Receive(kStatusResponse, report); e != BusError::None)
      return e;
    const std::optional<TransferStatus> s = ParseStatus(report);
    if (!s)
      return BusError::Io;
    status = *s;
    if (status.status0 == kComplete)
      return BusError::None;
    if (status.status0 == kError)
      return FromStatus1(status.status1);
    if (clock.ClockMs() - start >= waitMs) {
      Send(CancelTransfer());
      Warn("a CP2112 transfer did not finish within " + std::to_string(waitMs) +
           " ms and was cancelled");
      return BusError::Timeout;
    }
    clock.PassTime(settings_.pollMs);
  }
}

BusError Cp2112Link::Write(uint8_t address, const std::vector<uint8_t>& bytes) {
  if (bytes.size() > kMaxWrite)
    return BusError::TooLong;
  if (const BusError e = Send(EncodeWrite({address, bytes})); e != BusError::None)
    return e;
  TransferStatus status;
  return Await(status);
}

BusError Cp2112Link::WriteRead(uint8_t address, uint8_t command, size_t length,
                               std::vector<uint8_t>& read) {
  const Report request = EncodeWriteRead({address, static_cast<uint16_t>(length), {command}});
  if (const BusError e = Send(request); e != BusError::None)
    return e;
  TransferStatus status;
  if (const BusError e = Await(status); e != BusError::None)
    return e;
  if (status.bytesRead < length)
    return BusError::ShortAnswer;
  if (const BusError e = Send(ForceSend(status.bytesRead)); e != BusError::None)
    return e;
  read.clear();
  while (read.size() < status.bytesRead) {
    Report report;
    if (const BusError e = Receive(kReadResponse, report); e != BusError::None)
      return e;
    const std::optional<ReadResponse> chunk = ParseReadResponse(report);
    if (!chunk || chunk->status == kError)
      return BusError::Io;
    if (chunk->data.empty())
      return BusError::ShortAnswer;
    read.insert(read.end(), chunk->data.begin(), chunk->data.end());
  }
  read.resize(status.bytesRead);
  return BusError::None;
}

BusError Cp2112Link::ReadWord(uint8_t address, uint8_t command, uint16_t& word) {
  std::vector<uint8_t> read;
  const BusError e = WriteRead(address, command, smbus::WordReadLength(settings_.pec), read);
  return e == BusError::None ? smbus::ParseWord(address, command, read, settings_.pec, word) : e;
}

BusError Cp2112Link::WriteWord(uint8_t address, uint8_t command, uint16_t word) {
  return Write(address, smbus::WordWrite(address, command, word, settings_.pec));
}

BusError Cp2112Link::ReadBlock(uint8_t address, uint8_t command, std::vector<uint8_t>& data) {
  std::vector<uint8_t> read;
  const BusError e = WriteRead(address, command, smbus::BlockReadLength(settings_.pec), read);
  return e == BusError::None ? smbus::ParseBlock(address, command, read, settings_.pec, data) : e;
}

BusError Cp2112Link::WriteBlock(uint8_t address, uint8_t command, std::span<const uint8_t> data) {
  const std::vector<uint8_t> bytes = smbus::BlockWrite(address, command, data, settings_.pec);
  if (bytes.size() > kMaxWrite) {
    const size_t most = kMaxWrite - (bytes.size() - data.size());
    // The identification's blocks: the gauge then cannot be identified through this bridge at
    // all, which says more to a technician than a refused write.
    const bool identification = data.size() == kIdentificationBlock &&
                                (command == kIdentificationFirst || command == kIdentificationThen);
    Warn(identification
             ? "the gauge cannot be identified through a CP2112 bridge: the identification's " +
                   std::to_string(data.size()) + "-byte block writes do not fit one transfer (" +
                   std::to_string(most) +
                   " bytes at most) and are not sent; use an i2c-dev bus with plain I2C instead "
                   "(docs/hardware.md)"
             : "a block write of " + std::to_string(data.size()) +
                   " bytes does not fit one CP2112 transfer (" + std::to_string(most) +
                   " bytes at most); not sent");
  }
  return Write(address, bytes);
}

}  // namespace gaugecal::adapters::cp2112
