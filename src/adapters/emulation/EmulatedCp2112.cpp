#include "adapters/emulation/EmulatedCp2112.h"

#include <algorithm>
#include <cerrno>

#include "platform/Platform.h"

namespace gaugecal::adapters::emulation {

using namespace cp2112;

namespace {
constexpr const char* kPath = "sim-hid-0";
}

EmulatedCp2112::EmulatedCp2112(std::shared_ptr<EmulatedBus> bus, std::shared_ptr<bool> unplugged,
                               std::shared_ptr<bool> open, Platform& platform)
    : bus_(std::move(bus)),
      unplugged_(std::move(unplugged)),
      open_(std::move(open)),
      platform_(platform) {
  *open_ = true;
}

int EmulatedCp2112::Fail(const std::string& error) {
  error_ = error;
  return -1;
}

void EmulatedCp2112::Finish(const WireResult& r) {
  readData_ = r.read;
  status_ = {kComplete, kSuccess, 0, static_cast<uint16_t>(r.read.size())};
  switch (r.outcome) {
    case WireOutcome::Ack:
      break;
    case WireOutcome::AddressNack:
    case WireOutcome::DataNack:
      status_ = {kError, kTimeoutOrNack, 0, 0};
      break;
    case WireOutcome::ArbitrationLost:
      status_ = {kError, kArbitrationLost, 0, 0};
      break;
    case WireOutcome::ReadIncomplete:
      status_ = {kError, kReadIncomplete, 0, static_cast<uint16_t>(r.read.size())};
      break;
    case WireOutcome::BusyForever:
      status_ = {kBusy, kTimeoutOrNack, 0, 0};
      break;
    case WireOutcome::Unplugged:
      *unplugged_ = true;
      break;
  }
  if (r.outcome == WireOutcome::Ack && config_ && config_->autoSendRead && !readData_.empty())
    SendRead(static_cast<uint16_t>(readData_.size()));
}

void EmulatedCp2112::SendRead(uint16_t length) {
  size_t left = std::min<size_t>(length, readData_.size());
  while (left > 0) {
    const size_t n = std::min(left, kMaxChunk);
    Queue(EncodeReadResponse(
        {kComplete, std::vector<uint8_t>(readData_.begin(),
                                         readData_.begin() + static_cast<std::ptrdiff_t>(n))}));
    readData_.erase(readData_.begin(), readData_.begin() + static_cast<std::ptrdiff_t>(n));
    left -= n;
  }
}

int EmulatedCp2112::Write(std::span<const uint8_t> report) {
  if (*unplugged_)
    return Fail("the device is gone");
  if (report.empty())
    return Fail("empty report");
  ++requests_[report[0]];
  switch (report[0]) {
    case kWriteRequest: {
      const auto request = ParseWrite(report);
      if (!request)
        return Fail("malformed data write request");
      Finish(bus_->Write(request->address, request->bytes));
      break;
    }
    case kWriteReadRequest: {
      const auto request = ParseWriteRead(report);
      if (!request)
        return Fail("malformed data write-read request");
      Finish(bus_->WriteRead(request->address, request->target, request->readLength));
      break;
    }
    case kReadForceSend: {
      const auto length = ParseForceSend(report);
      if (!length)
        return Fail("malformed force send");
      SendRead(*length);
      break;
    }
    case kStatusRequest:
      Queue(EncodeStatus(status_));
      break;
    case kCancelTransfer:
      status_ = {};
      readData_.clear();
      break;
    default:
      return Fail("unknown report");
  }
  return static_cast<int>(report.size());
}

int EmulatedCp2112::Read(std::span<uint8_t> report, int timeoutMs) {
  if (*unplugged_)
    return Fail("the device is gone");
  if (input_.empty()) {
    platform_.PassTime(timeoutMs);
    return 0;
  }
  const Report next = std::move(input_.front());
  input_.pop_front();
  const size_t n = std::min(next.size(), report.size());
  std::copy_n(next.begin(), n, report.begin());
  return static_cast<int>(n);
}

int EmulatedCp2112::SendFeature(std::span<const uint8_t> report) {
  if (*unplugged_)
    return Fail("the device is gone");
  const auto config = ParseConfig(report);
  if (!config)
    return Fail("unknown feature report");
  config_ = config;
  return static_cast<int>(report.size());
}

EmulatedHidBackend::EmulatedHidBackend(std::shared_ptr<EmulatedBus> bus, Platform& platform)
    : bus_(std::move(bus)), platform_(platform) {}

std::vector<HidDeviceInfo> EmulatedHidBackend::Enumerate(uint16_t vendor, uint16_t product) {
  if (*unplugged_ || vendor != kVendorId || product != kProductId)
    return {};
  return {{kPath, kSerial}};
}

int EmulatedHidBackend::Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) {
  if (*unplugged_ || path != kPath)
    return -ENOENT;
  return bus_->LockDevice(lock);
}

std::unique_ptr<HidDevice> EmulatedHidBackend::Open(const std::string& path, std::string& error) {
  if (*unplugged_ || path != kPath) {
    error = "no such device";
    return nullptr;
  }
  if (*open_) {
    error = "the device is already open";
    return nullptr;
  }
  auto bridge = std::make_unique<EmulatedCp2112>(bus_, unplugged_, open_, platform_);
  bridge_ = bridge.get();
  return bridge;
}

}  // namespace gaugecal::adapters::emulation
