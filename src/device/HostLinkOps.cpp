#include "device/HostLinkOps.h"

#include <algorithm>

#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"
#include "platform/Platform.h"
#include "platform/TraceLog.h"

namespace gaugecal {

namespace {
constexpr int16_t kWakeUpCommand = 0x00;
constexpr int16_t kRelativeStateOfCharge = 0x0D;
constexpr double kSecondsPerDay = 86400.0;
}  // namespace

void ClearHostErrors() {
  HostLink& link = *Module().hostLink;
  while (link.CheckForError() != 0) {
  }
}

int32_t WriteMACCommand(int16_t subcommand) {
  ModuleState& m = Module();
  const int32_t status = m.hostLink->WriteSMBusWord_(m.calConfig.KVMAC, subcommand, m.SmbAddress);
  SleepMs(settle::kAfterMacCommandMs);
  return status;
}

int32_t CheckCommunication() {
  ModuleState& m = Module();
  int16_t wake = 1;  // the wake-up read's answer and status are of no interest
  m.hostLink->ReadSMBusWord_(kWakeUpCommand, wake, m.SmbAddress);
  int16_t soc = 0;
  const int32_t status = m.hostLink->ReadSMBusWord_(kRelativeStateOfCharge, soc, m.SmbAddress);
  // Which of the two failures it was matters to the technician: a cable or address problem,
  // or a gauge that answers nonsense.
  if (status != 0) {
    ShowWarning("no answer from the gauge at address 0x" +
                Hex2(static_cast<uint8_t>(m.SmbAddress)) +
                ": reading its state of charge (command 0x0D) failed with status " +
                std::to_string(status));
    return status;
  }
  if (soc > 100) {
    ShowWarning("the gauge answers, but reports a state of charge of " + std::to_string(soc) +
                " %; more than 100 % fails the communication check");
    return 1;
  }
  return 0;
}

void WaitSeconds(float seconds) {
  Platform& p = *Module().platform;
  if (p.Trace())
    p.Trace()->Record({.op = "Wait", .ms = static_cast<double>(seconds) * 1000.0});
  const float start = p.Timer();
  const float end = start + seconds;
  p.DoEvents();
  for (;;) {
    const float now = p.Timer();
    if (!(now < end))
      break;
    if (now < start)
      break;  // the timer wrapped at midnight
    // Block in the event dispatcher for the time left instead of spinning, but no further than
    // midnight, where the wrap ends the wait early; at least a millisecond so a
    // single-precision timer still moves on.
    const double left = std::min(static_cast<double>(end - now), kSecondsPerDay - now);
    p.DoEvents(std::max(left, 0.001));
  }
}

void WaitMs(int32_t milliseconds) {
  WaitSeconds(static_cast<float>(milliseconds) / 1000.0F);
}

void SleepMs(int32_t milliseconds) {
  Module().platform->Sleep(milliseconds);
}

void LetPendingEventsRun() {
  Module().platform->DoEvents();
}

}  // namespace gaugecal
