#pragma once
// Small text helpers for the values read from config.ini, Morvane.ini and target files.

#include <string>
#include <vector>

namespace gaugecal {

// Text keys are read into a buffer of this many characters.
constexpr unsigned kIniTextBufferSize = 2046;

// The key's value, or defaultValue when the file, section or key is missing.
std::string ReadIniText(const std::string& section, const std::string& key, const std::string& file,
                        const std::string& defaultValue = {});

std::string TrimBlanks(const std::string& text);  // spaces and tabs at both ends
std::string UpperAscii(std::string text);
std::vector<std::string> SplitCommas(const std::string& text);  // "" gives one empty field

}  // namespace gaugecal
