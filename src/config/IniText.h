#pragma once
// Small text helpers for the values read from config.ini, Morvane.ini and target files.

#include <string>
#include <vector>

#include "platform/PrivateProfile.h"

namespace gaugecal {

// Text keys are read into a buffer of this many characters.
constexpr unsigned kIniTextBufferSize = 2046;

// The key's value, or defaultValue when the file, section or key is missing.
std::string ReadIniText(const std::string& section, const std::string& key, const std::string& file,
                        const std::string& defaultValue = {});
std::string ReadIniText(const std::string& section, const std::string& key, const ProfileFile& file,
                        const std::string& defaultValue = {});

// Reads an ini file once. A file that cannot be read gives a warning that says why (a
// directory, not a regular file, too large; a missing one only when warnMissing is true) and
// then reads as an empty file.
ProfileFile ReadIniFile(const std::string& path, bool warnMissing = true);

// "KEY=VALUE in section [SECTION] of FILE": where a value a warning is about comes from.
std::string IniValuePlace(const std::string& key, const std::string& value,
                          const std::string& section, const std::string& file);

std::string TrimBlanks(const std::string& text);  // spaces and tabs at both ends
std::string UpperAscii(std::string text);
std::vector<std::string> SplitCommas(const std::string& text);  // "" gives one empty field

}  // namespace gaugecal
