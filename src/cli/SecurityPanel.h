#pragma once
// What the security commands share: the key options and where a key comes from, the panel
// started on the session's gauge, the key typed into a key box, and the key hidden in output.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/Cli.h"
#include "security/Authk18.h"

namespace gaugecal::cli {

struct KeyOptions {
  std::optional<std::string> key;      // --key
  std::optional<std::string> keyFile;  // --key-file
  bool showKey = false;
};

// --key, --key-file (one of them) and --show-key.
void AddKeyOptions(CLI::App& command, KeyOptions& options);

// --key as given; else the file's or GAUGECAL_KEY's text without the blanks and line breaks
// around it; else the default key. Nothing, after one line on stderr, when the file cannot be
// read.
std::optional<std::string> ResolveKey(const KeyOptions& options, CliContext& context);

// Where ResolveKey takes the key from, as a warning names it: "--key", "--key-file FILE",
// "GAUGECAL_KEY" or "the default key".
std::string KeySource(const KeyOptions& options);

// The panel's start-up on the session's host link; false when the gauge did not answer.
bool StartPanel(security::Authk18& panel, CliContext& context);

// Types the key into the box and leaves it; false after the box's message.
bool EnterKey(security::Authk18& panel, security::Authk18::Id box, const std::string& key);

// "key + challenge" as printed: the key hidden behind asterisks unless --show-key.
std::string KeyAndChallenge(const std::string& key, const std::string& challenge, bool showKey);

// seal, unseal, full-access: select the option and click "Go".
int RunModeChange(CliContext& context, int option, const KeyOptions* keyOptions);

}  // namespace gaugecal::cli
