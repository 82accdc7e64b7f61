// The calibration area of the subclass-addressed gauges: subclass 104, selected by a word
// write to 0x77 and read or written as one block of 0x78.

#include <algorithm>
#include <array>

#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/ReadBack.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

// A calibration subclass shorter than this is not the one the calibration values live in.
constexpr int16_t kMinCalSubclassLength = 15;

using Block = std::array<uint8_t, 256>;

// Selects the calibration subclass; the gauge's answer is judged by the block that follows.
void SelectCalSubclass() {
  ModuleState& m = Module();
  m.hostLink->WriteSMBusWord_(kSubclassSelect, kCalibrationSubclass, m.SmbAddress);
}

int32_t ReadSubclassBlock(std::span<uint8_t> buffer, int16_t& length) {
  ModuleState& m = Module();
  return m.hostLink->ReadSMBusBlock_(kSubclassBlock, buffer, length, m.SmbAddress);
}

// The whole calibration subclass into buffer; false when the read failed or came back short
// (a short answer would leave stale bytes in an image that a later write stores back).
bool FetchCalSubclass(std::span<uint8_t> buffer, int16_t& length) {
  ClearHostErrors();
  SleepMs(settle::kBeforeSubclassSelectMs);
  SelectCalSubclass();
  SleepMs(settle::kAfterSubclassSelectMs);
  length = 0;
  return ReadSubclassBlock(buffer, length) == 0 && length >= kMinCalSubclassLength;
}

}  // namespace

int32_t ReadCalSubclass(std::span<uint8_t> buffer) {
  int16_t length = 0;
  return ReadCalSubclass(buffer, length);
}

int32_t ReadCalSubclass(std::span<uint8_t> buffer, int16_t& length) {
  if (!FetchCalSubclass(buffer, length)) {
    ShowMessage("Communication or length incorrect copying calibration dataflash to local buffer.");
    return 1;
  }
  return 0;
}

int32_t WriteCalSubclass() {
  ModuleState& m = Module();
  ClearHostErrors();
  SleepMs(settle::kBeforeSubclassSelectMs);
  SelectCalSubclass();
  SleepMs(settle::kAfterSubclassLengthSelectMs);

  Block scratch{};
  int16_t length = 0;
  ReadSubclassBlock(scratch, length);  // only its length is wanted
  if (length < kMinCalSubclassLength) {
    ShowMessage(
        "Number of read from calibration subclass is fewer than expected.  Please check "
        "communication with device.");
    return 1;
  }
  const auto n = std::min<size_t>(static_cast<size_t>(length), m.calBuffer.size());
  const auto expected = std::span<const uint8_t>(m.calBuffer).first(n);

  SelectCalSubclass();
  SleepMs(settle::kAfterSubclassSelectMs);
  const int32_t written =
      m.hostLink->WriteSMBusBlock(kSubclassBlock, expected, static_cast<int16_t>(n), m.SmbAddress);
  SleepMs(settle::kAfterSubclassWriteMs);
  if (written != 0) {
    ShowMessage("Communication error writing local calibration buffer to Dataflash.");
    return 1;
  }

  Block back = PrimedReadBack<256>(expected);
  ReadCalSubclass(back);
  if (!SameBytes(std::span(back).first(n), expected)) {
    ShowMessage(
        "Verification of calibration Dataflash written and compared with readback failed.  "
        "Please check communications and perform calibration again.");
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
