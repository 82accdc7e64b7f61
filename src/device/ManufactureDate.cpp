#include "device/ManufactureDate.h"

#include <cstdio>

namespace gaugecal {

std::string FormatManufactureDate(uint16_t packed) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", 1980 + (packed >> 9), (packed >> 5) & 0x0F,
                packed & 0x1F);
  return text;
}

std::optional<uint16_t> ParseManufactureDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    return std::nullopt;
  int fields[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
  for (size_t f = 0; f < 3; ++f) {
    for (size_t i = starts[f]; i < starts[f] + lengths[f]; ++i) {
      if (text[i] < '0' || text[i] > '9')
        return std::nullopt;
      fields[f] = fields[f] * 10 + (text[i] - '0');
    }
  }
  const auto [year, month, day] = fields;
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  return static_cast<uint16_t>(day + month * 32 + (year - 1980) * 512);
}

}  // namespace gaugecal
