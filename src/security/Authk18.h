#pragma once
// The security panel "Auth": tab 0 shows the gauge's security mode and seals, unseals or opens
// full access; tab 1 authenticates the gauge with a SHA-1 challenge-response on a 128-bit key.
// Toolkit-free: a view shows the controls' state, forwards typing, leaving a key box, clicks
// and tab changes, and shows message boxes through the platform. Every bus transfer goes
// through the module's host link at the module's SMBus address.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "security/Controls.h"

namespace gaugecal {
class HostLink;
}

namespace gaugecal::security {

// Security modes as the gauge reports them in bits 9..8 of its operation status.
constexpr int16_t kModeSealed = 3;
constexpr int16_t kModeUnsealed = 2;
constexpr int16_t kModeFullAccess = 1;

// "Sealed", "Unsealed", "Full Access", or "Last Operation Failed" for anything else.
const char* SecurityModeText(int16_t mode);

class Authk18 {
 public:
  enum class Id {
    ssTabAuth,  // value: the selected tab
    // Tab 1, "Authentication".
    frmAuth,
    txtAuthKey,
    btnAuthenticate,
    txtAuthRandomNumber,
    txtRndNumberandKey,
    frmSha1Calc,
    txtSHA1Result,
    txtPartDigest,
    lblAuthenticationStatus,
    // Tab 0, "Seal/UnSeal/Full Access".
    txtUnsealChange,  // the frame "Select mode"
    optionAction0,    // "Seal"
    optionAction1,    // "Unseal"
    optionAction2,    // "Full Access"
    btnGo,
    lblSealStatus,
    txtUnsealKey,
    txtSealRandomfromDevice,
    txtSealRandomNumberandKey,
    txtDigest,
    Count
  };
  static constexpr int kOptionSeal = 0;
  static constexpr int kOptionUnseal = 1;
  static constexpr int kOptionFullAccess = 2;

  // The tabs' titles, and the captions above each tab's controls.
  static constexpr const char* kModeTab = "Seal/UnSeal/Full Access";
  static constexpr const char* kAuthTab = "Authentication";
  static constexpr const char* kAuthTitle = "Device Authentication";
  static constexpr const char* kModeTitle = "Seal/Unseal/Full Access";
  static constexpr const char* kModeLabel = "Current Device Mode";
  static constexpr const char* kDataOrderNote =
      "All displayed data is most significant digit first.";

  Authk18();

  // The caption the host gives the panel's window or tab.
  std::string Caption() const { return "Auth"; }

  Controls<Id>& Panel() { return controls_; }
  const Controls<Id>& Panel() const { return controls_; }

  // Start-up when the panel is shown: the default key in both key boxes, the host link and
  // the gauge's address into the module state, the communication check and the mode display.
  // False when the gauge did not answer (after the critical message).
  bool Show(HostLink& parentLink);

  // Typing into txtAuthKey or txtUnsealKey: the box's text changes and, when it holds a
  // character that is not a hexadecimal digit, that character is selected.
  void SetKeyText(Id box, std::string text);
  // Leaving a key box. False keeps the focus in the box (after the message).
  bool ValidateKey(Id box);

  void btnAuthenticateClick();
  void optionActionClick(int index);
  void btnGoClick();
  // A click on a tab; tab 0 after tab 1 refreshes the mode display.
  void ssTabAuthClick(int tab);

  // The last security mode read (0 also when it failed) and whether that read reached the
  // gauge both ways.
  int16_t LastMode() const { return lastMode_; }
  bool LastModeReadOk() const { return lastModeReadOk_; }
  // The last Go click took the gauge into Unsealed or Full Access from another mode: what the
  // calibration panel read at its start-up (a sealed gauge) no longer holds.
  bool OpenedByLastGo() const { return openedByLastGo_; }

 private:
  static Id OptionId(int index) {
    return static_cast<Id>(static_cast<int>(Id::optionAction0) + index);
  }
  bool OptionSelected(int index) const { return controls_[OptionId(index)].value != 0; }

  // Security mode (SecurityMode.cpp).
  int32_t CheckOperationStatusSEC1andSEC0bits(int16_t& securityBits);
  void RefreshSecurityMode();
  void Seal();
  void UnsealOrFullAccess(const std::string& op);
  void GoSeal();
  void GoUnsealOrFullAccess(int option);

  // Authentication (Authentication.cpp): sends the challenge twice, least significant byte
  // first; false after the message when the gauge did not take it.
  bool SendChallenge(const std::string& challenge);

  Controls<Id> controls_;
  int16_t lastMode_ = 0;
  bool lastModeReadOk_ = false;
  bool openedByLastGo_ = false;
};

}  // namespace gaugecal::security
