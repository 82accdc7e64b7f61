#include "config/AppDirectory.h"

#include "device/ModuleState.h"

namespace gaugecal {

std::string AppDirectoryFromPluginDirectory(const std::string& pluginDirectory) {
  constexpr size_t kPluginsFolder = 7;  // "plugins"
  if (pluginDirectory.size() < kPluginsFolder)
    return {};
  return pluginDirectory.substr(0, pluginDirectory.size() - kPluginsFolder);
}

std::string ConfigIniPath() {
  return Module().appDirectory + "config.ini";
}

std::string MorvaneIniPath() {
  return Module().appDirectory + "Morvane.ini";
}

}  // namespace gaugecal
