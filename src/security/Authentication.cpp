// Authentication: a random 160-bit challenge to the gauge, the keyed digest computed here, and
// the gauge's answer compared with it.

#include <openssl/rand.h>

#include <algorithm>

#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "security/Authk18.h"
#include "security/Digests.h"
#include "security/HexText.h"

namespace gaugecal::security {

namespace {

using Id = Authk18::Id;
using Digest = std::array<uint8_t, 20>;

constexpr int16_t kAuthAddress = 23;  // authentication always talks to 0x17
constexpr int16_t kAuthBlock = 0x2F;
constexpr int32_t kBeforeChallengeMs = 200;
constexpr int32_t kBetweenChallengesMs = 20;
constexpr int32_t kBeforeAnswerMs = 50;

Digest Reversed(Digest bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

}  // namespace

void Authk18::btnAuthenticateClick() {
  controls_.SetForeColor(Id::lblAuthenticationStatus, kBlack);
  controls_.SetText(Id::lblAuthenticationStatus, "");
  const std::string key = controls_[Id::txtAuthKey].text;
  if (key.size() != kKeyHexLength) {
    ShowMessage("Length of Authentication Key is not 32 characters.  Please check length of key.");
    return;
  }
  // IsHex forgives blanks around the text; a blank is not part of a key either.
  if (!IsHex(key) || key.find(' ') != std::string::npos) {
    ShowMessage("Authentication key contains non hex characters.  Please check key.");
    return;
  }
  controls_.SetText(Id::lblAuthenticationStatus, "Authentication in Progress");
  controls_.SetEnabled(Id::btnAuthenticate, false);
  SleepMs(kBeforeChallengeMs);

  Digest challengeBytes{};  // the challenge, most significant byte first
  if (RAND_bytes(challengeBytes.data(), static_cast<int>(challengeBytes.size())) != 1) {
    controls_.SetForeColor(Id::lblAuthenticationStatus, kRed);
    controls_.SetText(Id::lblAuthenticationStatus, "No challenge: the random source failed");
    controls_.SetEnabled(Id::btnAuthenticate, true);
    return;
  }
  const std::string challenge = HexBytes(challengeBytes);
  ClearHostErrors();
  controls_.SetText(Id::txtAuthRandomNumber, challenge);
  controls_.SetText(Id::txtRndNumberandKey, key + challenge);

  if (!SendChallenge(challenge))
    return;
  AuthenticateResult expected;
  AUTHENTICATE(challenge, key, expected);

  std::array<uint8_t, 256> buffer{};
  int16_t length = 0;
  if (Module().hostLink->ReadSMBusBlock_(kAuthBlock, buffer, length, kAuthAddress) != 0) {
    controls_.SetEnabled(Id::btnAuthenticate, true);
    ShowMessage("Failed to Read Authentication Response from device.");
    return;
  }
  Digest answer{};  // as received: least significant byte first
  std::copy_n(buffer.begin(), answer.size(), answer.begin());
  controls_.SetText(Id::txtSHA1Result, expected.sha1ResultBigEndian);
  controls_.SetText(Id::txtPartDigest, HexBytes(Reversed(answer)));

  const bool same = HexBytes(answer) == expected.sha1Result;
  controls_.SetForeColor(Id::lblAuthenticationStatus, same ? kBlack : kRed);
  controls_.SetText(Id::lblAuthenticationStatus,
                    same ? "Authentication Successful" : "Authentication Failed");
  controls_.SetVisible(Id::lblAuthenticationStatus, true);
  controls_.SetEnabled(Id::btnAuthenticate, true);
}

bool Authk18::SendChallenge(const std::string& challenge) {
  HostLink& link = *Module().hostLink;
  Digest wire{};  // least significant byte first
  str2byte(challenge, wire, wire.size());
  wire = Reversed(wire);
  const auto length = static_cast<int16_t>(wire.size());
  // The first block wakes the gauge's authentication engine; only the second one counts.
  link.WriteSMBusBlock(kAuthBlock, wire, length, kAuthAddress);
  SleepMs(kBetweenChallengesMs);
  if (link.WriteSMBusBlock(kAuthBlock, wire, length, kAuthAddress) != 0) {
    controls_.SetEnabled(Id::btnAuthenticate, true);
    ShowMessage("Failed to Write Block!");
    return false;
  }
  link.CheckForError();
  WaitMs(kBeforeAnswerMs);
  link.CheckForError();
  return true;
}

}  // namespace gaugecal::security
