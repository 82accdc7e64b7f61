#include "security/SHA1Calc.h"

#include "device/ModuleState.h"
#include "security/Digests.h"
#include "security/HexText.h"

namespace gaugecal::security {

namespace {

using Id = SHA1Calc::Id;

std::array<ControlState, Controls<Id>::kCount> Design() {
  std::array<ControlState, Controls<Id>::kCount> c{};
  c[static_cast<size_t>(Id::txtKey)] = {.label = "KEY STRING", .fixedPitch = true};
  c[static_cast<size_t>(Id::txtMsg)] = {.label = "MESSAGE STRING", .fixedPitch = true};
  c[static_cast<size_t>(Id::txtDigest)] = {.label = "DIGEST STRING", .fixedPitch = true};
  c[static_cast<size_t>(Id::cmdSHA1Msg)] = {.caption = "Msg SHA-1 Digest"};
  c[static_cast<size_t>(Id::cmdSHA1KeyMsg)] = {.caption = "Key || Msg SHA-1 Digest"};
  c[static_cast<size_t>(Id::cmdZRHMAC)] = {.caption = "HMAC w/ Key and Message"};
  c[static_cast<size_t>(Id::cmdQuit)] = {.caption = "QUIT"};
  return c;
}

}  // namespace

SHA1Calc::SHA1Calc() : controls_(Design()) {}

bool SHA1Calc::TakeKeyAndMessage(std::string& key, std::string& msg) {
  return TakeHex(Id::txtKey, kKeyHexLength, "Key", key) &&
         TakeHex(Id::txtMsg, kMessageHexLength, "Message", msg);
}

void SHA1Calc::SetText(Id box, std::string text) {
  controls_.SetText(box, std::move(text));
}

bool SHA1Calc::TakeHex(Id box, size_t digits, const char* name, std::string& hex) {
  const std::string& text = controls_[box].text;
  const size_t wrong = FirstNonHex(text, true);
  hex = text;
  const bool valid = HexValidate(hex);
  if (!valid || hex.size() != digits) {
    controls_.SetText(Id::txtDigest, "");
    if (!valid) {
      controls_.SetSelection(box, static_cast<int>(wrong), 1);
      ShowMessage(std::string(name) + " has a non hex character.");
    } else {
      ShowMessage(std::string(name) + " must be " + std::to_string(digits) + " hex characters (" +
                  std::to_string(digits / 2) + " bytes); it has " + std::to_string(hex.size()) +
                  ".");
    }
    return false;
  }
  return true;
}

bool SHA1Calc::cmdSHA1MsgClick() {
  std::string msg;
  if (!TakeHex(Id::txtMsg, kMessageHexLength, "Message", msg))
    return false;
  controls_.SetText(Id::txtDigest, *Sha1OfHex(msg, kMessageHexLength / 2));
  return true;
}

bool SHA1Calc::cmdSHA1KeyMsgClick() {
  std::string key;
  std::string msg;
  if (!TakeKeyAndMessage(key, msg))
    return false;
  controls_.SetText(Id::txtDigest, *Sha1OfHex(key + msg, kKeyedInputLength));
  return true;
}

bool SHA1Calc::cmdZRHMACClick() {
  std::string key;
  std::string msg;
  if (!TakeKeyAndMessage(key, msg))
    return false;
  AuthenticateResult r;
  AUTHENTICATE(msg, key, r);
  controls_.SetText(Id::txtDigest, r.sha1ResultBigEndian);
  return true;
}

}  // namespace gaugecal::security
