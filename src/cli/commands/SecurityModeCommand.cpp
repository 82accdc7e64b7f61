// security-mode: the mode the security panel shows for the gauge.

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/SecurityPanel.h"

namespace gaugecal::cli {

namespace {

int RunSecurityMode(CliContext& c) {
  security::Authk18 panel;
  StartPanel(panel, c);
  const std::string text = panel.Panel()[security::Authk18::Id::lblSealStatus].text;
  const bool ok = panel.LastModeReadOk();
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["mode"] = panel.LastMode();
    j["text"] = text;
    c.report.Result(std::move(j));
  } else {
    c.out << text << "\n";
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddSecurityModeCommand(CommandSet& commands) {
  commands.Add("security-mode",
               "show the gauge's security mode: Sealed, Unsealed, Full Access or Last Operation "
               "Failed",
               RunSecurityMode);
}

}  // namespace gaugecal::cli
