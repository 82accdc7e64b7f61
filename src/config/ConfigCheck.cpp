#include <vector>

#include "config/AppDirectory.h"
#include "config/DataFlashMap.h"
#include "config/IniText.h"
#include "config/Settings.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"

namespace gaugecal {

namespace {

constexpr uint32_t kSectionBufferSize = 2082;

// "[A], [B], [C] and [D]".
std::string Listed(const std::vector<std::string>& names, const char* open, const char* close) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += (i == 0                  ? ""
             : i + 1 == names.size() ? " and "
                                     : ", ") +
            std::string(open) + names[i] + close;
  }
  return text;
}

// After the refusals, what the check looked for, so the technician knows what to add.
void WarnWhatWasLookedFor(bool targetMissing) {
  const ModuleState& m = Module();
  // A gauge not identified looked for nothing a name would help with; its warnings said why.
  if (m.IdDevice.empty())
    return;
  if (targetMissing) {
    ShowWarning(
        "Morvane.ini names no target for this gauge: looked for " +
        Listed({m.IdDevice + "_" + m.IdFirmware + "_" + m.IdBuild, m.IdDevice + "_" + m.IdFirmware},
               "", "") +
        " in the [Targets] section of " + MorvaneIniPath());
    return;
  }
  if (!m.configSections.empty() || !m.platform || !m.platform->FileExists(ConfigIniPath()))
    return;
  const std::array<std::string, 4> names = ConfigSectionNames();
  ShowWarning("no section of " + ConfigIniPath() + " matches this gauge: looked for " +
              Listed({names.begin(), names.end()}, "[", "]"));
}

}  // namespace

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
    WarnWhatWasLookedFor(TargetFileName().empty());
    return 1;
  }
  if (LoadConfigIni() != 0) {
    ShowMessage(
        "Could not find Morvane configured version for connected Firmware or key configuration "
        "incorrect in application directory in file config.ini.");
    WarnWhatWasLookedFor(false);
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
