// Tab 0: the security mode display, seal, and unseal or full access by challenge-response.

#include <algorithm>

#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"
#include "platform/Platform.h"
#include "security/Authk18.h"
#include "security/Digests.h"
#include "security/HexText.h"

namespace gaugecal::security {

namespace {

using Id = Authk18::Id;

constexpr int16_t kMacSeal = 0x0030;
constexpr int16_t kMacUnseal = 0x0031;
constexpr int16_t kMacFullAccess = 0x0032;
constexpr int16_t kChallengeBlock = 0x2F;
constexpr int16_t kChallengeLength = 20;
constexpr int32_t kAfterSealMs = 20;
constexpr int32_t kUnsealStepMs = 20;

constexpr const char* kNoOperationStatus =
    "Not able to read operation status of device. Please check communication with device.";

}  // namespace

int32_t Authk18::CheckOperationStatusSEC1andSEC0bits(int16_t& securityBits) {
  const int32_t sent = WriteMACCommand(kMacOperationStatus);
  SleepMs(settle::kAfterOperationStatusMs);
  int16_t mode = 0;
  lastModeReadOk_ = false;
  if (sent != 0) {
    ShowMessage(
        "Not able to send operation status to MAC. Please check communication with device.");
  } else {
    // A failed block read is not reported here: it shows as "Last Operation Failed".
    std::array<uint8_t, 256> block{};
    int16_t length = 0;
    lastModeReadOk_ = ReadMODBlock(block, length) == 0;
    mode = static_cast<int16_t>(block[1] & 3);
    securityBits = mode;
  }
  // The mode label always shows the last read.
  lastMode_ = mode;
  controls_.SetText(Id::lblSealStatus, SecurityModeText(mode));
  return sent == 0 ? 0 : 1;
}

void Authk18::RefreshSecurityMode() {
  int16_t mode = 0;
  CheckOperationStatusSEC1andSEC0bits(mode);
}

void Authk18::btnGoClick() {
  openedByLastGo_ = false;
  RefreshSecurityMode();
  if (OptionSelected(kOptionSeal))
    GoSeal();
  if (OptionSelected(kOptionUnseal))
    GoUnsealOrFullAccess(kOptionUnseal);
  if (OptionSelected(kOptionFullAccess))
    GoUnsealOrFullAccess(kOptionFullAccess);
}

void Authk18::GoSeal() {
  controls_.SetEnabled(Id::btnGo, false);
  int16_t mode = 0;
  if (CheckOperationStatusSEC1andSEC0bits(mode) != 0) {
    ShowMessage(kNoOperationStatus);
  } else if (mode == kModeSealed) {
    ShowMessage("Device is already sealed. Nothing to do.");
  } else {
    Seal();
  }
  controls_.SetEnabled(Id::btnGo, true);
}

void Authk18::GoUnsealOrFullAccess(int option) {
  controls_.SetEnabled(Id::btnGo, false);
  const bool unseal = option == kOptionUnseal;
  int16_t mode = 0;
  if (CheckOperationStatusSEC1andSEC0bits(mode) != 0) {
    ShowMessage(kNoOperationStatus);
  } else if (unseal && (mode == kModeUnsealed || mode == kModeFullAccess)) {
    ShowMessage("Device is not sealed. Nothing to do.");
  } else if (!unseal && mode == kModeFullAccess) {
    ShowMessage("Device is already in full access mode. Nothing to do.");
  } else if (ValidateKey(Id::txtUnsealKey)) {
    // The key box is checked as leaving it would: no challenge is asked for with a bad key.
    UnsealOrFullAccess(unseal ? "unseal" : "fullaccess");
    controls_.SetEnabled(Id::btnGo, true);
    RefreshSecurityMode();
    openedByLastGo_ = lastModeReadOk_ && lastMode_ != mode &&
                      (lastMode_ == kModeUnsealed || lastMode_ == kModeFullAccess);
    return;
  }
  controls_.SetEnabled(Id::btnGo, true);
}

void Authk18::Seal() {
  const int32_t sent = WriteMACCommand(kMacSeal);
  SleepMs(kAfterSealMs);
  if (sent != 0) {
    ShowMessage("Unable to send seal command.");
    return;
  }
  int16_t mode = 0;
  // A failed read has shown its message already; the same text twice would say nothing more.
  if (CheckOperationStatusSEC1andSEC0bits(mode) != 0)
    return;
  if (mode != kModeSealed)
    ShowMessage("Attempt to seal device failed.");
}

void Authk18::UnsealOrFullAccess(const std::string& op) {
  RefreshSecurityMode();
  int16_t subcommand = 0;
  if (op == "unseal") {
    subcommand = kMacUnseal;
  } else if (op == "fullaccess") {
    subcommand = kMacFullAccess;
  } else {
    ShowMessage("Operation unknown attempting to unseal device.");
    return;
  }
  ModuleState& m = Module();
  if (WriteMACCommand(subcommand) != 0) {
    ShowMessage("Not able to begin device unseal.  Please check communications with device.");
    controls_.SetEnabled(Id::btnGo, true);
    return;
  }
  SleepMs(kUnsealStepMs);
  std::array<uint8_t, 256> buffer{};
  int16_t length = 0;
  const int32_t status = m.hostLink->ReadSMBusBlock_(kChallengeBlock, buffer, length, m.SmbAddress);
  // A host error with a whole challenge still counts: the bytes are there.
  if (status != 0 && length != kChallengeLength) {
    ShowMessage("Not able to read challenge from pack. Please check communications with device.");
    controls_.SetEnabled(Id::btnGo, true);
    return;
  }
  std::array<uint8_t, kChallengeLength> challengeBytes{};  // most significant byte first
  std::reverse_copy(buffer.begin(), buffer.begin() + kChallengeLength, challengeBytes.begin());
  const std::string challenge = HexBytes(challengeBytes);
  controls_.SetText(Id::txtSealRandomfromDevice, challenge);

  const std::string key = controls_[Id::txtUnsealKey].text;
  AuthenticateResult answer;
  if (!AUTHENTICATE(challenge, key, answer))
    return;  // the caller checked the key
  SleepMs(kUnsealStepMs);
  controls_.SetText(Id::txtDigest, answer.sha1Result);
  controls_.SetText(Id::txtSealRandomNumberandKey, key + challenge);
  if (m.hostLink->WriteSMBusBlock(kChallengeBlock, answer.digestLittleEndian, kChallengeLength,
                                  m.SmbAddress) != 0)
    ShowMessage("Not able to send unseal response.");
  m.platform->DoEvents();
  SleepMs(kUnsealStepMs);
  m.platform->DoEvents();
}

}  // namespace gaugecal::security
