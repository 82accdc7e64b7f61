#pragma once
// The settings of the connected gauge from config.ini: finding the sections that match its
// identification, reading every key into Module().calConfig, moving the calibration rows to
// the locations the file gives, and the overall configuration check of panel start-up.

#include <array>
#include <cstdint>
#include <string>

#include "platform/PrivateProfile.h"

namespace gaugecal {

// 0 when the data flash description and a config.ini section were found; 1 after a message.
int32_t CheckConfiguration();

// Reads every present section (least specific first, so the most specific one read last
// decides the integer keys). 0 when at least one was found; 1 after a message.
int32_t LoadConfigIni();

// The four section names for the identification in the module state, least specific first:
// "D" + device, then adding firmware, build and the extra field.
std::array<std::string, 4> ConfigSectionNames();

// A section counts when it holds at least one key.
bool ConfigSectionPresent(const std::string& section, const std::string& file);
bool ConfigSectionPresent(const std::string& section, const ProfileFile& file);

// Fills Module().calConfig from one section. A fault shows one message and ends the read; the
// keys not yet read keep their values. A value that is read but cannot mean what it says gives
// a warning naming key, section and file.
void ReadConfigSection(const std::string& section, const std::string& file);
void ReadConfigSection(const std::string& section, const ProfileFile& file);

// Applies the calibration row location keys of one section. 0, or 1 after a syntax error.
int32_t ReadDfLocationKeys(const std::string& section, const std::string& file);
int32_t ReadDfLocationKeys(const std::string& section, const ProfileFile& file);

// The section, among those tried up to and including upTo, whose non-empty value of key is in
// force (text keys keep the value of an earlier section that a later one leaves out); upTo
// when none has one.
std::string KeyOrigin(const std::string& key, const ProfileFile& file, const std::string& upTo);

// Sets shown flag and position of every row of CalTable group 0 whose key is key; an offset
// outside 0 to 40 shows a message and changes nothing.
void SetCalRowLocation(const std::string& key, bool enabled, int16_t offset);

// The rows "Ext 3 Temp Offset" and "Ext 4 Temp Offset" of CalTable group 0 follow TS3Supported
// and TS4Supported, except a row whose location key said the gauge does not have it (ExtTS3=0):
// that row stays hidden rather than show a byte from offset 0.
void ShowSensorRows();
// After the location keys: a warning for each sensor flag set on such a row.
void WarnUnplacedSensorRows(const ProfileFile& file);

}  // namespace gaugecal
