// Raw calibration values: the gauge streams unconverted converter counts as a 26-byte block
// (rolling counter, status byte, then twelve little-endian fields); acquisition averages a
// configured number of fresh blocks into the "Raw Cal Values" rows.

#include <algorithm>
#include <array>
#include <string>

#include "calibration/Acquisition.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"
#include "device/TableDecoders.h"
#include "platform/Platform.h"

namespace gaugecal {

namespace {

using Block = std::array<uint8_t, 256>;

struct RawField {
  size_t offset;
  bool isSigned;
};

// Coulomb counter, cells 1 to 4, TInt, TS1 to TS4, pack voltage, battery voltage.
constexpr std::array<RawField, 12> kRawFields = {{{2, true},
                                                  {4, false},
                                                  {6, false},
                                                  {8, false},
                                                  {10, false},
                                                  {12, true},
                                                  {14, true},
                                                  {16, true},
                                                  {18, true},
                                                  {20, true},
                                                  {22, false},
                                                  {24, false}}};

constexpr int kStaleLimit = 10;  // eleven reads in a row without a new counter end it
constexpr int kFreshBlockRetries = 16;
constexpr uint8_t kRawStatusNormal = 1;
constexpr int16_t kLiveRawOutputCommand = static_cast<int16_t>(0xF081);

int32_t FieldValue(const Block& b, const RawField& f) {
  const int32_t unsignedValue = b[f.offset + 1] * 256 + b[f.offset];
  return f.isSigned ? BytesToInt16(b[f.offset + 1], b[f.offset]) : unsignedValue;
}

void StoreField(Block& b, const RawField& f, int32_t value) {
  const auto bits = static_cast<uint16_t>(value);
  b[f.offset] = static_cast<uint8_t>(bits & 0xFF);
  b[f.offset + 1] = static_cast<uint8_t>(bits >> 8);
}

void DecodeRawRows(const Block& block) {
  const DisplayGroup& group = Module().LiveTable[kLiveRawCal];
  for (int16_t row = 0; row < static_cast<int16_t>(group.items.size()); ++row) {
    if (!group.items[row].name.empty())
      DecodeMODRowToLocal(kLiveRawCal, row, block);
  }
}

}  // namespace

int32_t CheckNumSamples() {
  const int16_t samples = Module().calConfig.NumSamples;
  if (samples >= 1)
    return 0;
  ShowMessage("NumSamples in config.ini is " + std::to_string(samples) +
              ": at least one raw calibration block must be averaged.  Please correct "
              "config.ini.");
  return 1;
}

int32_t AcquireRawCalValues(bool offset) {
  ModuleState& m = Module();
  const CalConfig& c = m.calConfig;
  if (CheckNumSamples() != 0)
    return 1;

  Block block{};
  std::array<int32_t, kRawFields.size()> sums{};
  const int16_t command = offset ? c.outputCalValuesforOffsetCommand : c.outputCalValuesCommand;
  WriteMACCommand(command);
  m.hostLink->Delay(settle::kBeforeFirstRawBlockHostMs);
  WaitMs(settle::kBeforeFirstRawBlockWaitMs);

  int good = 0;
  int stale = 0;
  uint8_t lastCounter = 0;
  while (good < c.NumSamples && stale <= kStaleLimit) {
    ReportStep(LongStep::AveragingRawSamples, good + 1, c.NumSamples);
    int16_t length = 0;
    ReadMODBlock(block, length);
    if (length != c.RawCalDataBlockSize) {
      // Put the gauge back on its stream before reporting, so it keeps streaming.
      WriteMACCommand(c.exitCalCommand);
      SleepMs(settle::kAfterWrongLengthExitMs);
      WriteMACCommand(command);
      SleepMs(settle::kAfterRawRequestMs);
      ShowMessage("Received Wrong Number Of Bytes in Raw Cal Block : " + std::to_string(length));
      return 1;
    }
    WaitMs(settle::kBetweenRawBlocksMs);
    if (block[0] == lastCounter) {
      ++stale;  // the gauge has not produced a new block yet
    } else {
      ++good;
      stale = 0;
      for (size_t i = 0; i < kRawFields.size(); ++i)
        sums[i] += FieldValue(block, kRawFields[i]);
    }
    lastCounter = block[0];
  }

  // Divided by the samples asked for, not the ones counted: a run that ended stale fails below.
  std::array<int32_t, kRawFields.size()> averages{};
  for (size_t i = 0; i < kRawFields.size(); ++i)
    averages[i] = RoundToInt32(static_cast<double>(sums[i]) / c.NumSamples).value_or(0);
  if (stale > kStaleLimit) {
    ShowMessage("Unable to enter calibration mode.");
    return 1;
  }
  for (size_t i = 0; i < kRawFields.size(); ++i)
    StoreField(block, kRawFields[i], averages[i]);
  DecodeRawRows(block);
  return 0;
}

void FetchFreshRawBlock(std::span<uint8_t> buffer) {
  ModuleState& m = Module();
  const int16_t size = m.calConfig.RawCalDataBlockSize;
  Platform& platform = *m.platform;
  EnsureCalMode();
  EnsureCalMode();
  WriteMACCommand(kLiveRawOutputCommand);

  Block block{};
  int16_t length = 0;
  ReadMODBlock(block, length);
  for (int retries = 0;
       (block[1] != kRawStatusNormal || length != size) && retries < kFreshBlockRetries;
       ++retries) {
    ReadMODBlock(block, length);
    SleepMs(settle::kFreshBlockPollMs);
    platform.DoEvents();
  }

  const uint8_t counter = block[0];
  for (int retries = 0; retries < kFreshBlockRetries; ++retries) {
    ReadMODBlock(block, length);
    platform.DoEvents();
    SleepMs(settle::kFreshBlockPollMs);
    if (block[0] != counter && length == size)
      break;
  }
  std::copy_n(block.begin(), std::min(buffer.size(), block.size()), buffer.begin());
}

}  // namespace gaugecal
