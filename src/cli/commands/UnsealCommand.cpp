// unseal: unseals the gauge by challenge-response with the unseal key.

#include <memory>

#include "cli/Commands.h"
#include "cli/SecurityPanel.h"

namespace gaugecal::cli {

void AddUnsealCommand(CommandSet& commands) {
  auto key = std::make_shared<KeyOptions>();
  AddKeyOptions(commands.Add("unseal", "unseal the gauge with its key",
                             [key](CliContext& c) {
                               return RunModeChange(c, security::Authk18::kOptionUnseal, key.get());
                             }),
                *key);
}

}  // namespace gaugecal::cli
