#include "cli/SecurityPanel.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "platform/BoundedFile.h"
#include "security/DefaultKey.h"

namespace gaugecal::cli {

namespace {

using security::Authk18;
using Id = Authk18::Id;

constexpr const char* kKeyEnvironment = "GAUGECAL_KEY";
// A key is 32 hexadecimal digits; a larger file is not a key file (nor a pipe or a device).
constexpr size_t kMaxKeyFileBytes = 4096;

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos)
    return "";
  return text.substr(first, text.find_last_not_of(blanks) + 1 - first);
}

// The mode the gauge must end in for the option to have done its work; unseal is done when
// the gauge is no longer sealed.
bool Reached(int option, int16_t mode) {
  switch (option) {
    case Authk18::kOptionSeal:
      return mode == security::kModeSealed;
    case Authk18::kOptionUnseal:
      return mode == security::kModeUnsealed || mode == security::kModeFullAccess;
    default:
      return mode == security::kModeFullAccess;
  }
}

const char* Requested(int option) {
  switch (option) {
    case Authk18::kOptionSeal:
      return "Sealed";
    case Authk18::kOptionUnseal:
      return "Unsealed";
    default:
      return "Full Access";
  }
}

}  // namespace

void AddKeyOptions(CLI::App& command, KeyOptions& options) {
  CLI::Option* key = command.add_option(
      "--key", options.key,
      "the 128-bit key, 32 hex digits (default: GAUGECAL_KEY, else the default key)");
  command.add_option("--key-file", options.keyFile, "read the key from FILE")->excludes(key);
  command.add_flag("--show-key", options.showKey,
                   "print the key in the key + challenge line (hidden by default)");
}

std::string KeySource(const KeyOptions& options) {
  if (options.key)
    return "--key";
  if (options.keyFile)
    return "--key-file " + *options.keyFile;
  if (std::getenv(kKeyEnvironment))
    return kKeyEnvironment;
  return "the default key";
}

std::optional<std::string> ResolveKey(const KeyOptions& options, CliContext& context) {
  if (options.key)
    return *options.key;
  if (options.keyFile) {
    std::string text, problem;
    if (!ReadBoundedFile(*options.keyFile, kMaxKeyFileBytes, text, problem)) {
      context.report.Error("the key file " + *options.keyFile + " " + problem);
      return std::nullopt;
    }
    return Trimmed(text);
  }
  if (const char* fromEnvironment = std::getenv(kKeyEnvironment))
    return Trimmed(fromEnvironment);
  return std::string(kDefaultKey);
}

bool StartPanel(Authk18& panel, CliContext& context) {
  return panel.Show(*context.link);
}

bool EnterKey(Authk18& panel, Id box, const std::string& key) {
  panel.SetKeyText(box, key);
  return panel.ValidateKey(box);
}

std::string KeyAndChallenge(const std::string& key, const std::string& challenge, bool showKey) {
  return (showKey ? key : std::string(key.size(), '*')) + challenge;
}

int RunModeChange(CliContext& c, int option, const KeyOptions* keyOptions) {
  Authk18 panel;
  std::optional<std::string> key;
  if (keyOptions) {
    key = ResolveKey(*keyOptions, c);
    if (!key)
      return kExitUsage;
    // The key is checked before the gauge is touched, as the box checks it when left.
    if (!EnterKey(panel, Id::txtUnsealKey, *key))
      return kExitFailed;
  }
  const bool answered = StartPanel(panel, c);
  const std::string before = panel.Panel()[Id::lblSealStatus].text;
  if (answered) {
    if (key)
      EnterKey(panel, Id::txtUnsealKey, *key);
    panel.optionActionClick(option);
    panel.btnGoClick();
  }
  const auto& p = panel.Panel();
  const bool ok = answered && Reached(option, panel.LastMode());
  const std::string challenge = p[Id::txtSealRandomfromDevice].text;
  const std::string keyAndChallenge =
      challenge.empty() ? "" : KeyAndChallenge(*key, challenge, keyOptions && keyOptions->showKey);
  // The answer went to the gauge and the mode did not follow: the key is the likely cause.
  if (!ok && answered && keyOptions && !challenge.empty()) {
    c.report.Warn("the gauge is still " + p[Id::lblSealStatus].text +
                  ": it did not accept the key from " + KeySource(*keyOptions));
  }
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["requested"] = Requested(option);
    j["before"] = before;
    j["mode"] = p[Id::lblSealStatus].text;
    if (!challenge.empty()) {
      j["challenge"] = challenge;
      j["keyAndChallenge"] = keyAndChallenge;
      j["digest"] = p[Id::txtDigest].text;
    }
    c.report.Result(std::move(j));
  } else {
    c.out << "Mode before:     " << before << "\n";
    if (!challenge.empty()) {
      c.out << "Challenge:       " << challenge << "\n"
            << "Key + challenge: " << keyAndChallenge << "\n"
            << "Digest:          " << p[Id::txtDigest].text << "\n";
    }
    c.out << "Mode:            " << p[Id::lblSealStatus].text << "\n";
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace gaugecal::cli
