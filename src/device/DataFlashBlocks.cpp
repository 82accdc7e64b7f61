#include "device/DataFlashBlocks.h"

#include <algorithm>
#include <array>
#include <string>

#include "device/DataFlash.h"
#include "device/DataFlashRows.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/ReadBack.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

constexpr int kPageLength = 64;
constexpr size_t kMaxSubclass = 256;

std::string BlockName(int block) {
  switch (Module().calConfig.DFType) {
    case DfType::CEDV:
      return "Dataflash page " + std::to_string(block);
    case DfType::QSPAN:
      return "Dataflash subclass " + std::to_string(block);
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  return "Dataflash row " + std::to_string(block);
}

int16_t PageCommand(int page) {
  return static_cast<int16_t>(kDataFlashPageBase + page);
}

void SelectSubclass(int number) {
  ModuleState& m = Module();
  ClearHostErrors();
  SleepMs(settle::kBeforeSubclassSelectMs);
  m.hostLink->WriteSMBusWord_(kSubclassSelect, static_cast<int16_t>(number), m.SmbAddress);
  SleepMs(settle::kAfterSubclassSelectMs);
}

// The read itself; false when it failed or came back short.
bool Fetch(int block, std::vector<uint8_t>& bytes) {
  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  int16_t length = 0;
  switch (m.calConfig.DFType) {
    case DfType::CEDV: {
      std::array<uint8_t, kPageLength> page{};
      const bool ok = link.ReadSMBusBlock_(PageCommand(block), page, length, m.SmbAddress) == 0 &&
                      length == kPageLength;
      WaitSeconds(m.dfReadSettle);
      bytes.assign(page.begin(), page.end());
      return ok;
    }
    case DfType::QSPAN: {
      std::array<uint8_t, kMaxSubclass> sub{};
      SelectSubclass(block);
      const bool ok =
          link.ReadSMBusBlock_(kSubclassBlock, sub, length, m.SmbAddress) == 0 && length > 0;
      const auto n =
          static_cast<size_t>(std::clamp<int>(length, 0, static_cast<int>(kMaxSubclass)));
      bytes.assign(sub.begin(), sub.begin() + static_cast<std::ptrdiff_t>(n));
      return ok;
    }
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  std::array<uint8_t, kRowLength> row{};
  const int32_t requested = RequestRow(block);
  SleepMs(settle::kAfterRowRequestMs);
  const bool ok =
      requested == 0 && ReadRowBlock(row, length, m.SmbAddress) == 0 && length == kRowLength;
  bytes.assign(row.begin(), row.end());
  return ok;
}

}  // namespace

DfBytePlace PlaceOfByte(DfType family, int32_t subclassNumber, int32_t offset) {
  switch (family) {
    case DfType::CEDV:
      return {(subclassNumber + offset) / kPageLength, (subclassNumber + offset) % kPageLength};
    case DfType::QSPAN:
      return {subclassNumber, offset};
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  return {(subclassNumber + offset) / kRowLength, (subclassNumber + offset) % kRowLength};
}

int32_t ReadDfBlock(int block, std::vector<uint8_t>& bytes) {
  ModuleState& m = Module();
  if (m.calConfig.DFType == DfType::RN44K18 || m.calConfig.DFType == DfType::CEDV_PLUS) {
    LeaveCalibrationForRows();  // out of calibration mode first, as for absolute reads
  }
  if (!Fetch(block, bytes)) {
    ShowMessage("Communication Error returned reading " + BlockName(block) + ".");
    return 1;
  }
  return 0;
}

int32_t WriteDfBlock(int block, std::span<const uint8_t> bytes) {
  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  const auto length = static_cast<int16_t>(bytes.size());
  int32_t written = 1;
  switch (m.calConfig.DFType) {
    case DfType::CEDV:
      written = link.WriteSMBusBlock(PageCommand(block), bytes, length, m.SmbAddress);
      WaitSeconds(m.dfWriteSettle);
      break;
    case DfType::QSPAN:
      SelectSubclass(block);
      written = link.WriteSMBusBlock(kSubclassBlock, bytes, length, m.SmbAddress);
      SleepMs(settle::kAfterSubclassWriteMs);
      break;
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      if (bytes.size() == kRowLength && RequestRow(block) == 0) {
        SleepMs(settle::kAfterRowRequestMs);
        written = WriteRowBlock(std::span<const uint8_t, kRowLength>(bytes.data(), kRowLength));
        SleepMs(settle::kAfterRowWriteMs);
      }
      break;
  }
  if (written != 0) {
    ShowMessage("Communication Error returned writing " + BlockName(block) + ".");
    return 1;
  }
  // Only a whole block the gauge really sends back can pass for the block written.
  std::vector<uint8_t> back;
  if (!Fetch(block, back) || !SameBytes(back, bytes)) {
    ShowMessage("Verification of " + BlockName(block) + " written and read back failed.");
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
