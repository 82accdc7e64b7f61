// full-access: opens full access by challenge-response with the unseal key.

#include <memory>

#include "cli/Commands.h"
#include "cli/SecurityPanel.h"

namespace gaugecal::cli {

void AddFullAccessCommand(CommandSet& commands) {
  auto key = std::make_shared<KeyOptions>();
  AddKeyOptions(commands.Add("full-access", "put the gauge into full access with its key",
                             [key](CliContext& c) {
                               return RunModeChange(c, security::Authk18::kOptionFullAccess,
                                                    key.get());
                             }),
                *key);
}

}  // namespace gaugecal::cli
