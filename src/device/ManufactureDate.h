#pragma once
// The gauge's manufacture date as standard command 0x1B packs it: day + month * 32 +
// (year - 1980) * 512.

#include <cstdint>
#include <optional>
#include <string>

namespace gaugecal {

// "YYYY-MM-DD" (the fields as packed, also when they are no calendar date).
std::string FormatManufactureDate(uint16_t packed);

// "YYYY-MM-DD" with a year from 1980 to 2107, a month 1 to 12 and a day 1 to 31; empty
// otherwise.
std::optional<uint16_t> ParseManufactureDate(const std::string& text);

}  // namespace gaugecal
