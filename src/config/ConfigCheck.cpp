#include "config/AppDirectory.h"
#include "config/DataFlashMap.h"
#include "config/IniText.h"
#include "config/Settings.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"

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

bool ConfigSectionPresent(const std::string& section, const ProfileFile& file) {
  std::string keys;
  return GetPrivateProfileSectionA(section, keys, kSectionBufferSize, file) != 0;
}

bool ConfigSectionPresent(const std::string& section, const std::string& file) {
  return ConfigSectionPresent(section, ProfileFile(file));
}

std::string KeyOrigin(const std::string& key, const ProfileFile& file, const std::string& upTo) {
  std::string origin = upTo;
  for (const std::string& section : ConfigSectionNames()) {
    if (!ReadIniText(section, key, file).empty())
      origin = section;
    if (section == upTo)
      break;
  }
  return origin;
}

int32_t LoadConfigIni() {
  ModuleState& m = Module();
  const std::string path = ConfigIniPath();
  // Read once for the whole check; a file that is there but cannot be read is named in a
  // warning and then counts as missing.
  const ProfileFile file = ReadIniFile(path, false);
  m.configSections.clear();
  if (!m.platform || !m.platform->FileExists(path) || !file.Problem().empty()) {
    ShowCriticalMessage(
        "config.ini file does not exist in application directory. Please check installation. "
        "Do not proceed with calibration.");
    return 1;
  }
  for (const std::string& section : ConfigSectionNames()) {
    if (!ConfigSectionPresent(section, file))
      continue;
    ReadConfigSection(section, file);
    ReadDfLocationKeys(section, file);
    m.configSections.push_back(section);
  }
  if (m.configSections.empty()) {
    ShowMessage(
        "A section name matching device and firmware version was not found in configuration "
        "file " +
        path + ". Please obtain Morvane that supports this Firmware.");
    return 1;
  }
  WarnUnplacedSensorRows(file);
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
