#pragma once
// The settings of the connected gauge from config.ini: finding the sections that match its
// identification, reading every key into Module().calConfig, moving the calibration rows to
// the locations the file gives, and the overall configuration check of panel start-up.

#include <array>
#include <cstdint>
#include <string>

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

// Fills Module().calConfig from one section. A fault shows one message and ends the read; the
// keys not yet read keep their values.
void ReadConfigSection(const std::string& section, const std::string& file);

// Applies the calibration row location keys of one section. 0, or 1 after a syntax error.
int32_t ReadDfLocationKeys(const std::string& section, const std::string& file);

// Sets shown flag and position of every row of CalTable group 0 whose key is key; an offset
// outside 0 to 40 shows a message and changes nothing.
void SetCalRowLocation(const std::string& key, bool enabled, int16_t offset);

}  // namespace gaugecal
