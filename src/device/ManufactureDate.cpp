#include "device/ManufactureDate.h"

#include <cstdio>

namespace gaugecal {

namespace {

bool LeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string FormatManufactureDate(uint16_t packed) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", 1980 + (packed >> 9), (packed >> 5) & 15,
                packed & 31);
  return text;
}

std::optional<uint16_t> ParseManufactureDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    return std::nullopt;
  int fields[3] = {0, 0, 0};
  const int starts[3] = {0, 5, 8};
  const int lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (int i = 0; i < lengths[f]; ++i) {
      const char c = text[static_cast<size_t>(starts[f] + i)];
      if (c < '0' || c > '9')
        return std::nullopt;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  const int year = fields[0], month = fields[1], day = fields[2];
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > DaysIn(year, month))
    return std::nullopt;
  return static_cast<uint16_t>(day + month * 32 + (year - 1980) * 512);
}

}  // namespace gaugecal
