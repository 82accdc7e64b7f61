// Coulomb counter offset (inputs shorted inside the gauge) and board offset (inputs on the board,
// no load): one raw block each, a range check that tells an offset from a real current, the
// count scaled by the sample scale, and the buffer written with the family's writer.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/CalTargets.h"
#include "calibration/CalibrationSession.h"
#include "calibration/Calibrations.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr uint8_t kStatusNormalOutput = 1;
constexpr uint8_t kStatusOffsetOutput = 2;
constexpr int kMinCCOffsetCount = -450;
constexpr int kMaxCCOffsetCount = -5;
constexpr int kMaxBoardOffsetCount = 300;

constexpr const char* kOffsetOutputFailed =
    "Attempt to enter Raw Coulomb Counter Offset Cal failed. Calibration not performed.";
constexpr const char* kShortedReadFailed =
    "Error reading Raw CC Shorted Calibration Data. Please check connection with gas gauge. "
    "Calibration not completed.";
constexpr const char* kCurrentFlowing =
    "Current is flowing in sense resistor.  Please ensure no current is flowing. Coulomb Counter "
    "Offset Calibration will abort.";
constexpr const char* kCalReadFailed =
    "Error reading calibration Dataflash.  Please check communications. Calibration not "
    "completed.";
constexpr const char* kCCWriteFailed =
    "Error writing Coulomb Counter Offset Calibration values to Dataflash. Please ensure device "
    "is not sealed.";
constexpr const char* kNotInRawMode =
    "Device is not in raw cal mode before calibrating board offset.";
constexpr const char* kLargeCurrent =
    "A large amount of current is flowing. This calibration is for board offset only. Board "
    "Offset Calibration will abort.";
constexpr const char* kBoardWriteFailed =
    "Error writing Board Offset Calibration values to Dataflash. Please ensure part is not "
    "sealed.";

// Our own texts for what the gauge's tools never reported: a sample scale that is no sample
// count, a scaled offset that does not fit the signed 16-bit parameter, a parameter the table
// cannot place.
std::string ScaleFault(int32_t count, int32_t scale, const char* abort) {
  if (scale < 1) {
    return "CC Offset Samples of " + std::to_string(scale) + " is not a valid sample count.  " +
           abort;
  }
  return "The offset count of " + std::to_string(count) + " times CC Offset Samples of " +
         std::to_string(scale) + " does not fit a signed 16-bit Dataflash value.  " + abort;
}

constexpr const char* kCCAbort = "Coulomb Counter Offset Calibration will abort.";
constexpr const char* kBoardAbort = "Board Offset Calibration will abort.";

struct RawBlock {
  std::array<uint8_t, 256> bytes{};
  int16_t length = 0;
  int32_t status = 0;
  uint8_t statusByte() const { return bytes[1]; }
  int16_t coulombCounter() const { return BytesToInt16(bytes[3], bytes[2]); }
};

RawBlock ReadRawBlock() {
  ModuleState& m = Module();
  RawBlock block;
  block.status =
      m.hostLink->ReadSMBusBlock_(kManufacturerData, block.bytes, block.length, m.SmbAddress);
  return block;
}

bool IsWholeRawBlock(const RawBlock& block, uint8_t statusByte) {
  return block.status == 0 && block.statusByte() == statusByte &&
         block.length == Module().calConfig.RawCalDataBlockSize;
}

// Count times sample scale (minus what is subtracted) as a signed 16-bit value; nothing when the
// scale is no sample count or the result does not fit.
std::optional<int16_t> ScaledOffset(int32_t count, int32_t subtract) {
  const int32_t scale = Module().ccOffsetSampleScale;
  if (scale < 1)
    return std::nullopt;
  const int64_t v = int64_t{count} * scale - subtract;
  if (v < INT16_MIN || v > INT16_MAX)
    return std::nullopt;
  return static_cast<int16_t>(v);
}

void SendExit() {
  WriteMACCommand(Module().calConfig.exitCalCommand);
}

}  // namespace

int32_t CalibrateCCOffset() {
  const CalLayout layout = CurrentCalLayout();
  const CalRowRef targetRef = CCOffsetTarget(layout);
  const auto target = FindCalParam(targetRef, 2);
  if (!target) {
    ShowMessage(UnavailableParameterMessage(targetRef, kCCAbort));
    return 1;
  }
  const DfType family = Module().calConfig.DFType;
  if (family == DfType::CEDV || family == DfType::QSPAN) {
    if (StartOffsetCalOutput() != 0) {
      ShowMessage(kOffsetOutputFailed);
      return 1;
    }
  }
  SleepMs(300);
  const RawBlock block = ReadRawBlock();
  SleepMs(10);
  if (!IsWholeRawBlock(block, kStatusOffsetOutput)) {
    ShowMessage(kShortedReadFailed);
    return 1;
  }
  const int16_t count = block.coulombCounter();
  if (count < kMinCCOffsetCount || count > kMaxCCOffsetCount) {
    ShowMessage(kCurrentFlowing);
    return 1;
  }
  const auto offset = ScaledOffset(count, 0);
  if (!offset) {
    ShowMessage(ScaleFault(count, Module().ccOffsetSampleScale, kCCAbort));
    return 1;
  }
  // The gauge leaves raw output before its data flash is touched.
  SendExit();
  SleepMs(100);
  if (ReadCalBufferConsistently() != 0) {
    ShowMessage(kCalReadFailed);
    return 1;
  }
  StoreI16(target->offset, *offset);
  if (WriteCalBuffer() != 0) {
    ShowMessage(kCCWriteFailed);
    return 1;
  }
  return 0;
}

int32_t CalibrateBoardOffset() {
  ModuleState& m = Module();
  const CalLayout layout = CurrentCalLayout();
  const CalRowRef ccRef = CCOffsetTarget(layout);
  const CalRowRef boardRef = BoardOffsetTarget(layout);
  const auto ccParam = FindCalParam(ccRef, 2);
  const auto boardParam = FindCalParam(boardRef, 2);
  const auto ccValue = ccParam ? ParamValue(*ccParam) : std::nullopt;
  const auto currentOffset = ccValue ? RoundToInt16(*ccValue) : std::nullopt;
  if (!currentOffset || !boardParam) {
    ShowMessage(UnavailableParameterMessage(currentOffset ? boardRef : ccRef, kBoardAbort));
    return 1;
  }
  if (m.calConfig.DFType == DfType::CEDV)
    ReadCalBuffer();  // the CEDV image is refreshed here; its status decides nothing
  const RawBlock block = ReadRawBlock();
  if (!IsWholeRawBlock(block, kStatusNormalOutput)) {
    ShowMessage(kNotInRawMode);
    return 1;
  }
  const int16_t count = block.coulombCounter();
  if (count < -kMaxBoardOffsetCount || count > kMaxBoardOffsetCount) {
    ShowMessage(kLargeCurrent);
    return 1;
  }
  const auto board = ScaledOffset(count, *currentOffset);
  if (!board) {
    ShowMessage(ScaleFault(count, m.ccOffsetSampleScale, kBoardAbort));
    return 1;
  }
  StoreI16(boardParam->offset, *board);
  int32_t result = 0;
  if (WriteCalBuffer() != 0) {
    ShowMessage(kBoardWriteFailed);
    result = 1;
  }
  SendExit();
  return result;
}

}  // namespace gaugecal
