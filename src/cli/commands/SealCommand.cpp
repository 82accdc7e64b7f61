// seal: seals the gauge with the security panel's "Seal" option.

#include "cli/Commands.h"
#include "cli/SecurityPanel.h"

namespace gaugecal::cli {

void AddSealCommand(CommandSet& commands) {
  commands.Add("seal", "seal the gauge", [](CliContext& c) {
    return RunModeChange(c, security::Authk18::kOptionSeal, nullptr);
  });
}

}  // namespace gaugecal::cli
