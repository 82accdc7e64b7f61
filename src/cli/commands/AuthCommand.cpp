// auth: authenticates the gauge with the security panel's "Authenticate" button.

#include <memory>
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/SecurityPanel.h"

namespace gaugecal::cli {

namespace {

using security::Authk18;
using Id = Authk18::Id;

constexpr const char* kSuccess = "Authentication Successful";

int RunAuth(CliContext& c, const KeyOptions& options) {
  const std::optional<std::string> key = ResolveKey(options, c);
  if (!key)
    return kExitUsage;
  Authk18 panel;
  // The key is checked before the gauge is touched, as the box checks it when left.
  if (!EnterKey(panel, Id::txtAuthKey, *key))
    return kExitFailed;
  const bool answered = StartPanel(panel, c);
  if (answered) {
    EnterKey(panel, Id::txtAuthKey, *key);
    panel.btnAuthenticateClick();
  }
  const auto& p = panel.Panel();
  const std::string challenge = p[Id::txtAuthRandomNumber].text;
  const std::string keyAndChallenge =
      challenge.empty() ? "" : KeyAndChallenge(*key, challenge, options.showKey);
  const std::string status = p[Id::lblAuthenticationStatus].text;
  const bool ok = answered && status == kSuccess;
  if (!ok && answered && !challenge.empty())
    c.report.Warn("the gauge did not authenticate with the key from " + KeySource(options));
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["challenge"] = challenge;
    j["keyAndChallenge"] = keyAndChallenge;
    j["hostDigest"] = p[Id::txtSHA1Result].text;
    j["deviceDigest"] = p[Id::txtPartDigest].text;
    j["status"] = status;
    c.report.Result(std::move(j));
  } else {
    c.out << "Challenge:       " << challenge << "\n"
          << "Key + challenge: " << keyAndChallenge << "\n"
          << "Host digest:     " << p[Id::txtSHA1Result].text << "\n"
          << "Device digest:   " << p[Id::txtPartDigest].text << "\n"
          << "Status:          " << status << "\n";
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddAuthCommand(CommandSet& commands) {
  auto key = std::make_shared<KeyOptions>();
  AddKeyOptions(commands.Add("auth", "authenticate the gauge by SHA-1 challenge-response",
                             [key](CliContext& c) { return RunAuth(c, *key); }),
                *key);
}

}  // namespace gaugecal::cli
