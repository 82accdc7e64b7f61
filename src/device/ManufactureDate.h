#pragma once
// The smart-battery manufacture date word: day + month * 32 + (year - 1980) * 512.

#include <cstdint>
#include <optional>
#include <string>

namespace gaugecal {

// "YYYY-MM-DD" of a packed date (fields as packed, even when they name no real day).
std::string FormatManufactureDate(uint16_t packed);

// A "YYYY-MM-DD" text of a real day from 1980-01-01 to 2107-12-31 packed; nothing otherwise.
std::optional<uint16_t> ParseManufactureDate(const std::string& text);

}  // namespace gaugecal
