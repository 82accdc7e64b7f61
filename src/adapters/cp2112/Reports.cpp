#include "adapters/cp2112/Reports.h"

#include <algorithm>

namespace gaugecal::adapters::cp2112 {

namespace {

// An output report: the ID, then the fields, zero-padded to the report size.
class Builder {
 public:
  explicit Builder(uint8_t id) { bytes_.push_back(id); }
  Builder& U8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  Builder& U16(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
  Builder& U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v));
  }
  Builder& Bytes(std::span<const uint8_t> b, size_t max) {
    bytes_.insert(bytes_.end(), b.begin(),
                  b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), max)));
    return *this;
  }
  Report Done(size_t size = kReportSize) {
    bytes_.resize(size, 0);
    return bytes_;
  }

 private:
  Report bytes_;
};

// Reads the fields of a received report in order; fails once past its end.
class Reader {
 public:
  Reader(std::span<const uint8_t> report, uint8_t id)
      : r_(report), ok_(!report.empty() && report[0] == id) {}
  uint8_t U8() {
    if (at_ >= r_.size())
      ok_ = false;
    return ok_ ? r_[at_++] : 0;
  }
  uint16_t U16() {
    const uint8_t hi = U8();
    return static_cast<uint16_t>(hi << 8 | U8());
  }
  uint32_t U32() {
    const uint16_t hi = U16();
    return static_cast<uint32_t>(hi) << 16 | U16();
  }
  std::vector<uint8_t> Bytes(size_t n) {
    if (at_ + n > r_.size())
      ok_ = false;
    if (!ok_)
      return {};
    std::vector<uint8_t> out(r_.begin() + static_cast<std::ptrdiff_t>(at_),
                             r_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return out;
  }
  bool Ok() const { return ok_; }

 private:
  std::span<const uint8_t> r_;
  size_t at_ = 1;
  bool ok_;
};

uint8_t Shifted(uint8_t address) {
  return static_cast<uint8_t>(address << 1);
}

}  // namespace

Report ConfigReport(const SmbusConfig& c) {
  return Builder(kSmbusConfig)
      .U32(c.clockHz)
      .U8(c.ownAddress)
      .U8(c.autoSendRead ? 1 : 0)
      .U16(c.writeTimeoutMs)
      .U16(c.readTimeoutMs)
      .U8(c.sclLowTimeout ? 1 : 0)
      .U16(c.retryTime)
      .Done(kConfigSize);
}

Report EncodeWrite(const WriteRequest& r) {
  const size_t n = std::min(r.bytes.size(), kMaxWrite);
  return Builder(kWriteRequest)
      .U8(Shifted(r.address))
      .U8(static_cast<uint8_t>(n))
      .Bytes(r.bytes, kMaxWrite)
      .Done();
}

Report EncodeWriteRead(const WriteReadRequest& r) {
  const size_t n = std::min(r.target.size(), kMaxTarget);
  return Builder(kWriteReadRequest)
      .U8(Shifted(r.address))
      .U16(r.readLength)
      .U8(static_cast<uint8_t>(n))
      .Bytes(r.target, kMaxTarget)
      .Done();
}

Report ForceSend(uint16_t length) {
  return Builder(kReadForceSend).U16(length).Done();
}

Report StatusRequest() {
  return Builder(kStatusRequest).U8(0x01).Done();
}

Report CancelTransfer() {
  return Builder(kCancelTransfer).U8(0x01).Done();
}

Report EncodeStatus(const TransferStatus& s) {
  return Builder(kStatusResponse)
      .U8(s.status0)
      .U8(s.status1)
      .U16(s.retries)
      .U16(s.bytesRead)
      .Done();
}

Report EncodeReadResponse(const ReadResponse& r) {
  const size_t n = std::min(r.data.size(), kMaxChunk);
  return Builder(kReadResponse)
      .U8(r.status)
      .U8(static_cast<uint8_t>(n))
      .Bytes(r.data, kMaxChunk)
      .Done();
}

std::optional<SmbusConfig> ParseConfig(std::span<const uint8_t> report) {
  Reader in(report, kSmbusConfig);
  SmbusConfig c;
  c.clockHz = in.U32();
  c.ownAddress = in.U8();
  c.autoSendRead = in.U8() != 0;
  c.writeTimeoutMs = in.U16();
  c.readTimeoutMs = in.U16();
  c.sclLowTimeout = in.U8() != 0;
  c.retryTime = in.U16();
  return in.Ok() ? std::optional(c) : std::nullopt;
}

std::optional<WriteRequest> ParseWrite(std::span<const uint8_t> report) {
  Reader in(report, kWriteRequest);
  WriteRequest r;
  r.address = static_cast<uint8_t>(in.U8() >> 1);
  const uint8_t n = in.U8();
  r.bytes = in.Bytes(n);
  return in.Ok() && n >= 1 && n <= kMaxWrite ? std::optional(r) : std::nullopt;
}

std::optional<WriteReadRequest> ParseWriteRead(std::span<const uint8_t> report) {
  Reader in(report, kWriteReadRequest);
  WriteReadRequest r;
  r.address = static_cast<uint8_t>(in.U8() >> 1);
  r.readLength = in.U16();
  const uint8_t n = in.U8();
  r.target = in.Bytes(n);
  return in.Ok() && n >= 1 && n <= kMaxTarget ? std::optional(r) : std::nullopt;
}

std::optional<uint16_t> ParseForceSend(std::span<const uint8_t> report) {
  Reader in(report, kReadForceSend);
  const uint16_t length = in.U16();
  return in.Ok() ? std::optional(length) : std::nullopt;
}

std::optional<TransferStatus> ParseStatus(std::span<const uint8_t> report) {
  Reader in(report, kStatusResponse);
  TransferStatus s;
  s.status0 = in.U8();
  s.status1 = in.U8();
  s.retries = in.U16();
  s.bytesRead = in.U16();
  return in.Ok() ? std::optional(s) : std::nullopt;
}

std::optional<ReadResponse> ParseReadResponse(std::span<const uint8_t> report) {
  Reader in(report, kReadResponse);
  ReadResponse r;
  r.status = in.U8();
  const uint8_t n = in.U8();
  r.data = in.Bytes(n);
  return in.Ok() && n <= kMaxChunk ? std::optional(r) : std::nullopt;
}

}  // namespace gaugecal::adapters::cp2112
