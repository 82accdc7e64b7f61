// Pack voltage gain. RN44K18 and CEDV_PLUS relate the reference to the averaged raw pack count;
// CEDV and QSPAN have no raw pack count, so their stored gain is rescaled by the ratio of the
// reference to the pack voltage the gauge reports with that gain.

#include <cstdint>
#include <optional>
#include <string>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/CalTargets.h"
#include "calibration/Calibrations.h"
#include "device/Codecs.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr double kGainScale = 65536.0;
constexpr double kMinRawPackCount = 50.0;  // a raw count at or below this is no pack voltage

constexpr const char* kReadFailed =
    "Not able to read Pack Voltage from device. Pack Voltage not calibrated.";
constexpr const char* kRawLow =
    "Pack Gain raw calibration value is low.  Pack Calibration not performed. Please try again.";
constexpr const char* kRange =
    "Pack voltage correction is beyond allowed range.  Calibration not completed.";
constexpr const char* kWriteFailed =
    "Failed to update Dataflash with new Pack Voltage Correction. Pack Calibration not "
    "completed.";
constexpr const char* kNoMappedPackGain =
    "The Dataflash map gives no location for the pack gain of this device.  Pack Calibration not "
    "performed.";
constexpr const char* kNoPresentGain =
    "The pack gain stored in Dataflash is not a positive value, so no corrected gain can be "
    "derived from it.  Pack Calibration not performed.";

// The pack voltage through PackVoltageReadCommand, for the families that name one. Returns false
// when the command string is not understood; `reported` stays empty on a failed bus read.
bool ReadReportedPackVoltage(std::optional<double>& reported) {
  const CalConfig& c = Module().calConfig;
  const bool readable =
      !c.PackVoltageReadCommand.empty() && c.PackVSupported && c.DFType != DfType::RN44K18;
  if (!readable)
    return true;
  std::string result;
  if (readmeasurementfromdevice(c.PackVoltageReadCommand, "U2", result) != 0)
    return false;
  reported = ParseDecimal(result);
  return true;
}

// Gain from the raw pack count: reference over count, scaled by 65536.
std::optional<int32_t> GainFromRawCount(double actual) {
  const auto raw = RawValue("Pack Voltage");
  if (!raw || *raw <= kMinRawPackCount) {
    ShowMessage(kRawLow);
    return std::nullopt;
  }
  const auto count = RoundToInt32(*raw);
  const auto gain = count ? RoundToInt32(actual / *count * kGainScale) : std::nullopt;
  return gain ? *gain : INT32_MAX;  // a gain that does not even fit 32 bits is out of range
}

// Gain from the stored one: present gain times reference over reported voltage.
std::optional<int32_t> GainFromReported(double actual, const CalParam& param,
                                        const std::optional<double>& reported) {
  const auto present = ParamValue(param);
  if (!present || *present < 1.0) {
    ShowMessage(kNoPresentGain);
    return std::nullopt;
  }
  if (!reported || *reported <= 0.0) {
    ShowMessage(kReadFailed);
    return std::nullopt;
  }
  const auto gain = RoundToInt32(*present * actual / *reported);
  return gain ? *gain : INT32_MAX;
}

}  // namespace

int32_t CalibratePackVoltage(double actual, double /*measured: the gauge's reading is used*/) {
  const CalConfig& c = Module().calConfig;
  const auto targetRef = PackGainTarget(CurrentCalLayout());
  if (!targetRef) {
    ShowMessage(kNoMappedPackGain);
    return 1;
  }
  const auto param = FindCalParam(*targetRef, 2);
  if (!param) {
    ShowMessage(UnavailableParameterMessage(*targetRef, "Pack Calibration not performed."));
    return 1;
  }
  std::optional<double> reported;
  if (!ReadReportedPackVoltage(reported)) {
    ShowMessage(kReadFailed);
    return 1;
  }
  const bool fromRaw = c.DFType == DfType::RN44K18 || c.DFType == DfType::CEDV_PLUS;
  const auto gain = fromRaw ? GainFromRawCount(actual) : GainFromReported(actual, *param, reported);
  if (!gain)
    return 1;
  // A signed parameter holds at most 32767; a gain of 0 would silence the pack voltage.
  const int32_t maxGain = param->item->dataType == "I2" ? INT16_MAX : UINT16_MAX;
  if (*gain > maxGain || *gain < 1) {
    ShowMessage(kRange);
    return 1;
  }
  StoreU16(param->offset, static_cast<uint16_t>(*gain));
  if (WriteCalBuffer() != 0) {
    ShowMessage(kWriteFailed);
    return 1;
  }
  WriteMACCommand(c.exitCalCommand);
  SleepMs(100);
  return 0;
}

}  // namespace gaugecal
