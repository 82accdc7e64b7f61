#pragma once
// Hexadecimal byte texts of scenario files and data flash files: pairs of digits, either case,
// blanks and line breaks between pairs allowed ("0A 05 01" or "0A0501").

#include <cstdint>
#include <string>
#include <vector>

namespace gaugecal::sim {

// False (bytes untouched) on an odd digit count or any other character.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

}  // namespace gaugecal::sim
