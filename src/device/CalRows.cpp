// The calibration area of the row-addressed gauges: the two 32-byte rows at the calibration
// address, into local calibration buffer positions 0 to 63 and back with verification.

#include <algorithm>
#include <array>

#include "device/DataFlash.h"
#include "device/DataFlashRows.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/ReadBack.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

// The calibration rows are read at the gauge's fixed address, whatever SmbAddress holds.
constexpr int16_t kCalRowAddress = 23;

using Row = std::array<uint8_t, kRowLength>;

int FirstCalRow() {
  return Module().calDataFlashAddress / kRowLength;
}

// Row 0 or 1 of the calibration area in the local calibration buffer.
std::span<uint8_t, kRowLength> CalBufferRow(int index) {
  return std::span<uint8_t, kRowLength>(Module().calBuffer.data() + index * kRowLength, kRowLength);
}

}  // namespace

int32_t ReadCalRows() {
  ModuleState& m = Module();
  const int row = FirstCalRow();
  int32_t result = 0;
  ClearHostErrors();
  SleepMs(settle::kBeforeRowReadMs);

  RequestRow(row);
  SleepMs(settle::kAfterRowRequestForReadMs);
  int16_t length = 0;
  if (ReadRowBlock(CalBufferRow(0), length, kCalRowAddress) != 0 || length != kRowLength)
    result = 1;
  SleepMs(settle::kAfterFirstRowReadMs);
  WaitSeconds(m.dfReadSettle);

  RequestRow(row + 1);
  WaitSeconds(m.dfReadSettle);
  Row second{};
  // A short second row would leave zeros that a later write stores back over the gauge's
  // data, so its length counts as much as the first row's.
  if (ReadRowBlock(second, length, kCalRowAddress) != 0 || length != kRowLength)
    result = 1;
  WaitSeconds(m.dfReadSettle);

  std::copy(second.begin(), second.end(), CalBufferRow(1).begin());
  return result;
}

int32_t WriteCalRows() {
  ModuleState& m = Module();
  const int row = FirstCalRow();
  ClearHostErrors();
  WriteMACCommand(m.calConfig.exitCalCommand);
  SleepMs(settle::kAfterExitBeforeRowWriteMs);

  // First row: the statuses do not stop the write; its verification decides.
  RequestRow(row);
  SleepMs(settle::kAfterRowRequestMs);
  SleepMs(settle::kAfterRowRequestMs);
  WriteRowBlock(CalBufferRow(0));
  SleepMs(settle::kAfterRowWriteMs);

  m.hostLink->CheckForError();
  RequestRow(row);
  SleepMs(settle::kAfterRowRequestMs);
  Row firstBack = PrimedReadBack<kRowLength>(CalBufferRow(0));
  int16_t length = 0;
  ReadRowBlock(firstBack, length, m.SmbAddress);

  Row image{};
  std::copy_n(CalBufferRow(1).begin(), kRowLength, image.begin());
  const int32_t requested = RequestRow(row + 1);
  SleepMs(settle::kAfterRowRequestMs);
  if (requested != 0) {
    ShowMessage("Communication Error when Requesting Second Calibration Dataflash Row.");
    return 1;
  }
  const int32_t written = WriteRowBlock(image);
  SleepMs(settle::kAfterRowWriteMs);
  if (written != 0) {
    ShowMessage("Not able to Write Second Calibration row to DataFlash.");
    return 1;
  }

  RequestRow(row + 1);
  SleepMs(settle::kAfterRowRequestMs);
  Row secondBack = PrimedReadBack<kRowLength>(image);
  if (ReadRowBlock(secondBack, length, m.SmbAddress) != 0)
    ShowMessage("Communications error reading second DF row for verification.");

  const auto first = CalBufferRow(0);
  for (size_t i = 0; i < kRowLength; ++i) {
    if (firstBack[i] != first[i]) {
      ShowMessage("First Calibration Row written failed verification.");
      return 1;
    }
    if (secondBack[i] != image[i]) {
      ShowMessage("Second Calibration Row written failed verification.");
      return 1;
    }
  }
  return 0;
}

}  // namespace gaugecal
