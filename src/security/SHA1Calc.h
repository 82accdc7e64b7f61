#pragma once
// The "SHA1/HMAC" form: a technician types a key and a message in hexadecimal and checks by
// hand the SHA-1 of the message, of key followed by message, and the gauge's two-pass keyed
// digest. Toolkit-free: a view shows the controls' state and forwards clicks.
//
// Unlike the form it replaces, it refuses input that is not exactly a 20-byte message or a
// 16-byte key (blanks and line breaks between the digits are allowed): one message, the first
// wrong character selected, and the digest box emptied, instead of a digest of garbage.

#include <string>

#include "security/Controls.h"

namespace gaugecal::security {

class SHA1Calc {
 public:
  enum class Id { txtKey, txtMsg, txtDigest, cmdSHA1Msg, cmdSHA1KeyMsg, cmdZRHMAC, cmdQuit, Count };

  SHA1Calc();

  static constexpr const char* kCaption = "SHA1/HMAC";
  static constexpr const char* kHexValuesNote = "(Hex Values)";  // under the key and message

  Controls<Id>& Form() { return controls_; }
  const Controls<Id>& Form() const { return controls_; }

  // Typing into txtKey or txtMsg.
  void SetText(Id box, std::string text);

  // The three digest buttons; each returns false when it refused its input. cmdQuit has no
  // action of its own: the view closes the window.
  bool cmdSHA1MsgClick();
  bool cmdSHA1KeyMsgClick();
  bool cmdZRHMACClick();

 private:
  // The box's digits without blanks, or nothing after a message when they are not exactly
  // digits hexadecimal digits.
  bool TakeHex(Id box, size_t digits, const char* name, std::string& hex);
  bool TakeKeyAndMessage(std::string& key, std::string& msg);

  Controls<Id> controls_;
};

}  // namespace gaugecal::security
