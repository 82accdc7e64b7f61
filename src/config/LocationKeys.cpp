// The calibration row location keys of config.ini: where each calibration parameter sits in
// the calibration data, or that the gauge does not have it.

#include <algorithm>
#include <limits>
#include <optional>

#include "config/AppDirectory.h"
#include "config/IniText.h"
#include "config/Settings.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"

namespace gaugecal {

namespace {

constexpr int16_t kLastCalOffset = 40;

constexpr const char* kLocationKeys[] = {
    "CCSenseResGain", "CCDelta",     "ScaleCell0", "ScaleCell1", "ScaleCell2",
    "ScaleCell3",     "AFEPackGain", "BatGain",    "CCOffset",   "BoardOffset",
    "IntTS",          "ExtTS1",      "ExtTS2",     "ExtTS3",     "ExtTS4"};

// A whole decimal number with an optional sign, held to the 16-bit range (an offset beyond it
// is out of range all the same); nothing for any other text.
std::optional<int16_t> OffsetNumber(const std::string& text) {
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (i >= text.size())
    return std::nullopt;
  int32_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = std::min(value * 10 + (text[i] - '0'), 100000);
  }
  if (text[0] == '-')
    value = -value;
  return static_cast<int16_t>(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// Applies one non-empty value; false on a syntax error.
bool ApplyLocation(const std::string& key, const std::string& value, const std::string& place) {
  const std::vector<std::string> fields = SplitCommas(value);
  if (fields.size() == 1) {
    if (value == "0") {
      SetCalRowLocation(key, false, 0);
      return true;
    }
    if (value.size() == 1)
      return false;
    // A longer value without a comma is not a location and changes nothing; "00" or "abc" is
    // still a mistake worth naming.
    ShowWarning(place + ": not a location (0, or 1 and an offset); the key is ignored");
    return true;
  }
  const std::string first = TrimBlanks(fields[0]);
  const std::string second = TrimBlanks(fields[1]);
  if (first != "1" || second.empty())
    return false;
  const auto offset = OffsetNumber(second);
  if (!offset)
    return false;
  SetCalRowLocation(key, true, *offset);
  return true;
}

struct SensorRow {
  size_t item;
  const char* key;
  bool CalConfig::*flag;
  const char* flagName;
};

constexpr SensorRow kSensorRows[] = {
    {14, "ExtTS3", &CalConfig::TS3Supported, "TS3Supported"},
    {15, "ExtTS4", &CalConfig::TS4Supported, "TS4Supported"},
};

// The location key set "0" on the row: no offset of its own (its default position is not 0).
bool MarkedUnused(const DisplayItem& item) {
  return !item.shown && item.position == "0";
}

}  // namespace

int32_t ReadDfLocationKeys(const std::string& section, const ProfileFile& file) {
  for (const char* key : kLocationKeys) {
    const std::string value = TrimBlanks(ReadIniText(section, key, file));
    if (value.empty())
      continue;
    if (!ApplyLocation(key, value, IniValuePlace(key, value, section, file.Path()))) {
      ShowMessage(std::string("Syntax error reading value of key ") + key +
                  ". This is defined in configuration file " + ConfigIniPath());
      return 1;
    }
  }
  return 0;
}

int32_t ReadDfLocationKeys(const std::string& section, const std::string& file) {
  return ReadDfLocationKeys(section, ReadIniFile(file));
}

void SetCalRowLocation(const std::string& key, bool enabled, int16_t offset) {
  if (offset < 0 || offset > kLastCalOffset) {
    ShowMessage("Error in value of offset for key " + key + " in configuration file.");
    return;
  }
  for (DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
    if (item.key != key)
      continue;
    item.shown = enabled;
    item.position = std::to_string(offset);
  }
}

void ShowSensorRows() {
  ModuleState& m = Module();
  for (const SensorRow& row : kSensorRows) {
    DisplayItem& item = m.CalTable[kCalGroupRn44k18].items[row.item];
    if (!MarkedUnused(item))
      item.shown = m.calConfig.*row.flag;
  }
}

void WarnUnplacedSensorRows(const ProfileFile& file) {
  const ModuleState& m = Module();
  if (m.configSections.empty() || CalGroupForFamily() != kCalGroupRn44k18)
    return;
  for (const SensorRow& row : kSensorRows) {
    const DisplayItem& item = m.CalTable[kCalGroupRn44k18].items[row.item];
    if (!(m.calConfig.*row.flag) || !MarkedUnused(item))
      continue;
    const std::string origin = KeyOrigin(row.key, file, m.configSections.back());
    ShowWarning(std::string(row.flagName) + " says the sensor is there, but " +
                IniValuePlace(row.key, "0", origin, file.Path()) + " gives \"" + item.name +
                "\" no location; the row is not shown");
  }
}

}  // namespace gaugecal
