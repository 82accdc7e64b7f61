#include "host/plugin/CalibrationPlugin.h"

#include <dlfcn.h>

#include <filesystem>

#include "config/AppDirectory.h"
#include "device/ModuleState.h"
#include "host/plugin/NBCalView.h"

namespace gaugecal::host {

namespace {

// The folder this library was loaded from.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || !info.dli_fname)
    return {};
  return std::filesystem::absolute(info.dli_fname).parent_path().string();
}

}  // namespace

std::vector<HostPanel*> CalibrationPlugin::CreatePanels(HostLink& link, Platform& platform) {
  ModuleState& m = Module();
  m.platform = &platform;
  m.appDirectory = AppDirectoryFromPluginDirectory(OwnFolder());
  return {new NBCalView(link)};
}

}  // namespace gaugecal::host
