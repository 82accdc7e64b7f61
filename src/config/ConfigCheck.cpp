#include "config/AppDirectory.h"
#include "config/DataFlashMap.h"
#include "config/Settings.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"
#include "platform/PrivateProfile.h"

namespace gaugecal {

namespace {
constexpr uint32_t kSectionBufferSize = 2082;
}

std::array<std::string, 4> ConfigSectionNames() {
  const ModuleState& m = Module();
  const std::string device = "D" + m.IdDevice;
  const std::string firmware = device + "_" + m.IdFirmware;
  const std::string build = firmware + "_" + m.IdBuild;
  return {device, firmware, build, build + "_" + m.IdExtra};
}

bool ConfigSectionPresent(const std::string& section, const std::string& file) {
  std::string keys;
  return GetPrivateProfileSectionA(section, keys, kSectionBufferSize, file) != 0;
}

int32_t LoadConfigIni() {
  const std::string path = ConfigIniPath();
  Platform* platform = Module().platform;
  if (!platform || !platform->FileExists(path)) {
    ShowCriticalMessage(
        "config.ini file does not exist in application directory. Please check installation. "
        "Do not proceed with calibration.");
    return 1;
  }
  bool found = false;
  for (const std::string& section : ConfigSectionNames()) {
    if (!ConfigSectionPresent(section, path))
      continue;
    ReadConfigSection(section, path);
    ReadDfLocationKeys(section, path);
    found = true;
  }
  if (!found) {
    ShowMessage(
        "A section name matching device and firmware version was not found in configuration "
        "file " +
        path + ". Please obtain Morvane that supports this Firmware.");
    return 1;
  }
  return 0;
}

int32_t CheckConfiguration() {
  if (FindDataFlashFile() != 0) {
    ShowMessage(
        "Please do not use this tool for calibration. Some configuration information is missing "
        "to calibrate this device.");
    return 1;
  }
  if (LoadConfigIni() != 0) {
    ShowMessage(
        "Could not find Morvane configured version for connected Firmware or key configuration "
        "incorrect in application directory in file config.ini.");
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
