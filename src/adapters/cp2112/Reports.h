#pragma once
// The CP2112's HID reports, both ways: 64-byte reports whose first byte is the report ID,
// multi-byte fields big-endian, the device address shifted left by one. The driver builds the
// requests and parses the responses; the emulated bridge does the reverse with the same code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace gaugecal::adapters::cp2112 {

constexpr uint16_t kVendorId = 0x10C4;
constexpr uint16_t kProductId = 0xEA90;
constexpr size_t kReportSize = 64;
constexpr size_t kMaxWrite = 61;    // bytes (command first) in one data write request
constexpr size_t kMaxChunk = 61;    // data bytes in one data read response
constexpr size_t kMaxTarget = 16;   // bytes written before the repeated start of a write-read
constexpr size_t kConfigSize = 14;  // the SMBus configuration feature report

enum ReportId : uint8_t {
  kSmbusConfig = 0x06,
  kReadRequest = 0x10,
  kWriteReadRequest = 0x11,
  kReadForceSend = 0x12,
  kReadResponse = 0x13,
  kWriteRequest = 0x14,
  kStatusRequest = 0x15,
  kStatusResponse = 0x16,
  kCancelTransfer = 0x17,
};

// Transfer status: status0, and status1 once it is complete or failed.
enum Status0 : uint8_t { kIdle = 0, kBusy = 1, kComplete = 2, kError = 3 };
enum Status1 : uint8_t {
  kTimeoutOrNack = 0,
  kBusTimeout = 1,
  kArbitrationLost = 2,
  kReadIncomplete = 3,
  kWriteIncomplete = 4,
  kSuccess = 5,
};

using Report = std::vector<uint8_t>;

struct SmbusConfig {
  uint32_t clockHz = 100000;
  uint8_t ownAddress = 0x02;  // the bridge's own address as a target, shifted
  bool autoSendRead = false;
  uint16_t writeTimeoutMs = 0;
  uint16_t readTimeoutMs = 0;
  bool sclLowTimeout = true;
  uint16_t retryTime = 0;
};

struct TransferStatus {
  uint8_t status0 = kIdle;
  uint8_t status1 = kTimeoutOrNack;
  uint16_t retries = 0;
  uint16_t bytesRead = 0;
};

struct WriteRequest {
  uint8_t address = 0;  // 7-bit
  std::vector<uint8_t> bytes;
};

struct WriteReadRequest {
  uint8_t address = 0;  // 7-bit
  uint16_t readLength = 0;
  std::vector<uint8_t> target;
};

struct ReadResponse {
  uint8_t status = kIdle;
  std::vector<uint8_t> data;
};

// Requests (driver to bridge). Writes longer than kMaxWrite, targets of 0 or more than
// kMaxTarget bytes are the caller's to refuse; here they are cut.
Report ConfigReport(const SmbusConfig& config);
Report EncodeWrite(const WriteRequest& request);
Report EncodeWriteRead(const WriteReadRequest& request);
Report ForceSend(uint16_t length);
Report StatusRequest();
Report CancelTransfer();

// Responses (bridge to driver).
Report EncodeStatus(const TransferStatus& status);
Report EncodeReadResponse(const ReadResponse& response);

// Parsing either way; nullopt for another report ID or a malformed report.
std::optional<SmbusConfig> ParseConfig(std::span<const uint8_t> report);
std::optional<WriteRequest> ParseWrite(std::span<const uint8_t> report);
std::optional<WriteReadRequest> ParseWriteRead(std::span<const uint8_t> report);
std::optional<uint16_t> ParseForceSend(std::span<const uint8_t> report);
std::optional<TransferStatus> ParseStatus(std::span<const uint8_t> report);
std::optional<ReadResponse> ParseReadResponse(std::span<const uint8_t> report);

}  // namespace gaugecal::adapters::cp2112
