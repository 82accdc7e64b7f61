#include "cli/InputFiles.h"

#include "config/IniText.h"
#include "platform/BoundedFile.h"
#include "sim/ScenarioJson.h"

namespace gaugecal::cli {

std::vector<std::string> InputFiles(const GlobalOptions& options, const std::string& appDir,
                                    const CLI::App& command) {
  std::vector<std::string> inputs = {appDir + "config.ini", appDir + "Morvane.ini"};
  // Any gauge may be connected: every target the host knows counts.
  const ProfileFile morvane(appDir + "Morvane.ini");
  if (const auto* targets = morvane.Section("Targets")) {
    for (const ProfileFile::Line& target : *targets) {
      const std::string name = ReadIniText("Targets", target.key, morvane);
      inputs.push_back(appDir + name);
      inputs.push_back(appDir + ReadIniText("DataFlash", "Defaults", appDir + name));
    }
  }
  if (!options.simScenario.empty()) {
    inputs.push_back(options.simScenario);
    inputs.push_back(sim::ScenarioDataFlashFile(options.simScenario));
  }
  if (!options.station.empty() && options.station != "emulated")
    inputs.push_back(options.station);
  if (const CLI::Option* key = command.get_option_no_throw("--key-file"); key && key->count() > 0)
    inputs.push_back(key->as<std::string>());
  return inputs;
}

std::string InputAt(const std::string& path, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (SameFile(path, input))
      return input;
  }
  return {};
}

}  // namespace gaugecal::cli
