// The calibration area of the linear data flash: 64-byte pages, page p at command 0x58 + p.
// The 29-byte area starts at the calibration address and may run into the next page.

#include <algorithm>
#include <array>
#include <span>

#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/ReadBack.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

constexpr int kPageLength = 64;
constexpr int kSecondPartLength = 32;  // the part of the area that can lie in the next page
constexpr int kPageReadRetries = 8;

struct PagePlace {
  int page = 0;
  bool spans = false;
};

PagePlace CalPagePlace() {
  const int address = Module().calDataFlashAddress;
  const int offset = address % kPageLength;
  return {address / kPageLength, offset + kCedvCalAreaLength > kPageLength - 1};
}

}  // namespace

int CedvCalImageLength() {
  return CalPagePlace().spans ? kPageLength + kSecondPartLength : kPageLength;
}

namespace {

int16_t PageCommand(int page) {
  return static_cast<int16_t>(kDataFlashPageBase + page);
}

// Writes bytes to the page, lets the flash settle, and reads the page back for comparison.
// 0, or the step that failed.
enum class PageWrite { Ok, WriteFailed, Mismatch };

PageWrite WriteAndVerifyPage(int page, std::span<const uint8_t> bytes) {
  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  const auto length = static_cast<int16_t>(bytes.size());
  const int32_t written = link.WriteSMBusBlock(PageCommand(page), bytes, length, m.SmbAddress);
  WaitSeconds(m.dfWriteSettle);
  if (written != 0)
    return PageWrite::WriteFailed;
  auto back = PrimedReadBack<kPageLength>(bytes);
  int16_t backLength = 0;
  link.ReadSMBusBlock_(PageCommand(page), back, backLength, m.SmbAddress);
  return SameBytes(std::span(back).first(bytes.size()), bytes) ? PageWrite::Ok
                                                               : PageWrite::Mismatch;
}

}  // namespace

int32_t ReadCEDVCalBlocks() {
  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  const PagePlace place = CalPagePlace();

  int16_t length = 0;
  int32_t status = link.ReadSMBusBlock_(PageCommand(place.page), m.calBuffer, length, m.SmbAddress);
  for (int retries = 0; length != kPageLength && retries < kPageReadRetries; ++retries) {
    WaitSeconds(m.dfReadSettle);
    SleepMs(settle::kBeforePageReadRetryMs);
    status = link.ReadSMBusBlock_(PageCommand(place.page), m.calBuffer, length, m.SmbAddress);
  }
  // A page that never came back whole must not become the image a later write stores.
  int32_t result = status != 0 || length != kPageLength ? 1 : 0;

  if (place.spans) {
    std::array<uint8_t, kSecondPartLength> next{};
    int16_t nextLength = 0;
    if (link.ReadSMBusBlock_(PageCommand(place.page + 1), next, nextLength, m.SmbAddress) != 0 ||
        nextLength != kPageLength)
      result = 1;
    WaitSeconds(m.dfReadSettle);
    std::copy(next.begin(), next.end(), m.calBuffer.begin() + kPageLength);
  }
  return result;
}

int32_t WriteCEDVCalBlocks() {
  ModuleState& m = Module();
  const PagePlace place = CalPagePlace();
  WriteMACCommand(m.calConfig.exitCalCommand);
  SleepMs(settle::kAfterExitBeforePageWriteMs);

  switch (WriteAndVerifyPage(place.page, std::span(m.calBuffer).first(kPageLength))) {
    case PageWrite::WriteFailed:
      ShowMessage(
          "Not able to Write First CEDV Calibration block to DataFlash. Please check "
          "communications. Calibration values not written to Dataflash.");
      return 1;
    case PageWrite::Mismatch:
      ShowMessage(
          "Read verification of first block written to Dataflash did not match. Please check "
          "communications. Calibration values incorrectly written to Dataflash.");
      return 1;
    case PageWrite::Ok:
      break;
  }
  if (!place.spans)
    return 0;

  // Only the part of the next page that the read brought in is written back, so the rest of
  // that page keeps what the gauge holds.
  const auto second = std::span(m.calBuffer).subspan(kPageLength, kSecondPartLength);
  switch (WriteAndVerifyPage(place.page + 1, second)) {
    case PageWrite::WriteFailed:
      ShowMessage("Not able to Write Second CEDV Calibration block to DataFlash.");
      return 1;
    case PageWrite::Mismatch:
      ShowMessage(
          "Read verification of second CEDV DF block written to Dataflash did not match. Please "
          "check communications with devices. Calibration not completed.");
      return 1;
    case PageWrite::Ok:
      break;
  }
  return 0;
}

}  // namespace gaugecal
