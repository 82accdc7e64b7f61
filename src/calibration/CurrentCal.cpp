// Sense resistor gain from a known current: the stored gain rescaled by actual over reported
// current, and the capacity gain derived from it by a fixed factor. Both are four-byte floats.

#include <cstdint>
#include <optional>
#include <string>

#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/CalTargets.h"
#include "calibration/Calibrations.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr int16_t kCurrentCommand = 0x0A;
constexpr double kCapacityFactor = 298261.632;
constexpr double kMinReportedCurrent = 0.005;  // mA; with whole-mA readings this refuses 0

constexpr const char* kAbort = "Current calibration was not performed.";
constexpr const char* kReadFailed =
    "Unable to read current attempting current calibration. Current calibration was not "
    "performed.";
constexpr const char* kCurrentLow = "Please source or sink current. Measured current is low.";
constexpr const char* kWriteFailed =
    "Error writing Sense Resistor values to Dataflash. Please ensure device is not sealed.";

}  // namespace

int32_t CalibrateCurrent(const std::string& actual) {
  ModuleState& m = Module();
  const CalLayout layout = CurrentCalLayout();
  const CalRowRef gainRef = CurrentGainTarget(layout);
  const CalRowRef capacityRef = CapacityGainTarget(layout);
  const auto gainParam = FindCalParam(gainRef, 4);
  const auto capacityParam = FindCalParam(capacityRef, 4);
  if (!gainParam || !capacityParam) {
    ShowMessage(UnavailableParameterMessage(gainParam ? capacityRef : gainRef, kAbort));
    return 1;
  }
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (m.hostLink->ReadSMBusWord(kCurrentCommand, msb, lsb, m.SmbAddress) != 0) {
    ShowMessage(kReadFailed);
    return 1;
  }
  const double reported = BytesToInt16(msb, lsb);
  const auto actualMa = ParseDecimal(actual);
  if (!actualMa) {
    ShowMessage("Actual current \"" + actual + "\" is not a number.  " + kAbort);
    return 1;
  }
  const auto oldGain = ParamValue(*gainParam);
  if (!oldGain) {
    ShowMessage(UnavailableParameterMessage(gainRef, kAbort));
    return 1;
  }
  if (!(reported >= kMinReportedCurrent || reported <= -kMinReportedCurrent)) {
    ShowMessage(kCurrentLow);
    return 1;
  }
  const double gain = *actualMa * *oldGain / reported;
  const double capacityGain = gain * kCapacityFactor;
  // A zero gain would make the gauge count no charge at all, and the float format has no zero.
  if (!FitsF4(gain) || !FitsF4(capacityGain)) {
    ShowMessage("The new sense resistor gain of " + FormatFixed3(gain) +
                " cannot be stored in the gauge's floating-point format.  " + kAbort);
    return 1;
  }
  StoreF4(gainParam->offset, EncodeF4(gain));
  StoreF4(capacityParam->offset, EncodeF4(capacityGain));
  if (WriteCalBuffer() != 0) {
    ShowMessage(kWriteFailed);
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
