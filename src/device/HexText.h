#pragma once
// Hexadecimal byte texts of scenario files, data flash files and backups: pairs of digits,
// either case, blanks and line breaks between pairs allowed ("0A 05 01" or "0A0501").

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gaugecal {

// False (bytes untouched) on an odd digit count or any other character.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

// Upper-case digits, two a byte, no separators.
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace gaugecal
