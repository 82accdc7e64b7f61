// The security panel's start-up, key boxes, option buttons and tabs.

#include "security/Authk18.h"

#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "security/DefaultKey.h"
#include "security/Digests.h"
#include "security/HexText.h"

namespace gaugecal::security {

namespace {

using Id = Authk18::Id;

constexpr int16_t kGaugeAddress = 0x17;
constexpr int16_t kAuthBlock = 0x2F;
constexpr int32_t kBeforeFirstReadMs = 30;
constexpr const char* kKeyToolTip = "Key 32 Hex Characters";

std::array<ControlState, Controls<Id>::kCount> Design() {
  std::array<ControlState, Controls<Id>::kCount> c{};
  auto at = [&c](Id id) -> ControlState& { return c[static_cast<size_t>(id)]; };
  auto hexBox = [&at](Id id, const char* label) { at(id) = {.label = label, .fixedPitch = true}; };
  at(Id::frmAuth) = {.caption = "Auth Frame"};
  at(Id::txtAuthKey) = {.label = "Key  (128 bits)", .toolTip = kKeyToolTip, .fixedPitch = true};
  at(Id::btnAuthenticate) = {.caption = "Authenticate"};
  hexBox(Id::txtAuthRandomNumber, "Random Number sent to device");
  hexBox(Id::txtRndNumberandKey, "Random Number + Key");
  at(Id::frmSha1Calc) = {.caption = "Host SHA1 Calculation"};
  hexBox(Id::txtSHA1Result, "Host SHA1 Digest");
  hexBox(Id::txtPartDigest, "Device Digest");
  at(Id::lblAuthenticationStatus) = {.text = "Progress"};
  at(Id::txtUnsealChange) = {.caption = "Select mode"};
  at(Id::optionAction0) = {.caption = "Seal"};
  at(Id::optionAction1) = {.caption = "Unseal"};
  at(Id::optionAction2) = {.caption = "Full Access"};
  at(Id::btnGo) = {.caption = "Go"};
  at(Id::lblSealStatus) = {.label = Authk18::kModeLabel};
  at(Id::txtUnsealKey) = {.label = "Key (128 bits)", .toolTip = kKeyToolTip, .fixedPitch = true};
  hexBox(Id::txtSealRandomfromDevice, "Random Number from device");
  hexBox(Id::txtSealRandomNumberandKey, "Random Number + Key");
  hexBox(Id::txtDigest, "Digest");
  return c;
}

}  // namespace

const char* SecurityModeText(int16_t mode) {
  switch (mode) {
    case kModeSealed:
      return "Sealed";
    case kModeUnsealed:
      return "Unsealed";
    case kModeFullAccess:
      return "Full Access";
    default:
      return "Last Operation Failed";
  }
}

Authk18::Authk18() : controls_(Design()) {}

bool Authk18::Show(HostLink& parentLink) {
  SetKeyText(Id::txtUnsealKey, kDefaultKey);
  SetKeyText(Id::txtAuthKey, kDefaultKey);
  ModuleState& m = Module();
  m.hostLink = &parentLink;
  m.SmbAddress = kGaugeAddress;

  SleepMs(kBeforeFirstReadMs);
  std::string text;
  parentLink.ReadSMBusBlock(kAuthBlock, text, m.SmbAddress);  // wakes the gauge's block engine
  const bool answered = parentLink.ReadSMBusBlock(kAuthBlock, text, m.SmbAddress) == 0;
  if (!answered) {
    ShowCriticalMessage(
        "Morvane is not able to communicate with device. Please establish communications with "
        "device. Close and restart Morvane after device communications is re-established.  "
        "Morvane will correctly detect the device and Firmware version after restart.");
  }
  RefreshSecurityMode();
  return answered;
}

void Authk18::SetKeyText(Id box, std::string text) {
  controls_.SetText(box, std::move(text));
  const std::string& now = controls_[box].text;
  std::string digits = now;
  if (!HexValidate(digits))
    controls_.SetSelection(box, static_cast<int>(FirstNonHex(now, true)), 1);
}

bool Authk18::ValidateKey(Id box) {
  const std::string& text = controls_[box].text;
  std::string digits = text;
  const bool hex = HexValidate(digits);
  // A blank inside a key of 32 characters leaves fewer than 32 digits: a length problem.
  if (text.size() != kKeyHexLength || (hex && digits.size() != kKeyHexLength)) {
    ShowMessage("Length of Key needs to be 32 Hex characters long.");
    return false;
  }
  if (!hex) {
    ShowMessage(box == Id::txtUnsealKey ? "Unseal Key has a non hex character."
                                        : "Key has a non hex character.");
    controls_.SetSelection(box, 0, static_cast<int>(text.size()));
    return false;
  }
  return true;
}

void Authk18::optionActionClick(int index) {
  for (int i = kOptionSeal; i <= kOptionFullAccess; ++i)
    controls_.SetValue(OptionId(i), i == index ? 1 : 0);
}

void Authk18::ssTabAuthClick(int tab) {
  const int previous = controls_[Id::ssTabAuth].value;
  controls_.SetValue(Id::ssTabAuth, tab);
  if (previous == 1 && tab != previous)
    RefreshSecurityMode();
}

}  // namespace gaugecal::security
