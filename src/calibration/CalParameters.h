#pragma once
// The calibration engine's view of the display tables: parameter rows resolved to their bytes
// in the local calibration buffer, the numbers their value texts hold, the averaged raw values
// and the live temperatures, and the big-endian stores that patch the buffer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "config/DisplayTables.h"

namespace gaugecal {

// A row of one CalTable group, named as the table names it.
struct CalRowRef {
  int group = kCalGroupRn44k18;
  const char* name = "";
};

// A parameter row together with the buffer position of its first byte.
struct CalParam {
  const DisplayItem* item = nullptr;
  size_t offset = 0;
};

// Finds the row and checks that a value of `width` bytes at its position lies inside the
// 256-byte buffer (the position text must be a number; it is rounded halves to even). Nothing
// when the row is missing or its position is unusable.
std::optional<CalParam> FindCalParam(const CalRowRef& ref, size_t width);

// The number a parameter's value text holds. For a four-byte float the text shows only three
// decimals; when it is the display of the bytes in the buffer, their full value is returned.
std::optional<double> ParamValue(const CalParam& param);

// Averaged raw value of a "Raw Cal Values" row, and the live value of a "Temperatures" row.
std::optional<double> RawValue(const std::string& rowName);
std::optional<double> LiveTemperature(const std::string& rowName);

// The message for a target row that the table cannot place or whose value is no number
// (a configuration fault), ending with the calibration's own abort sentence.
std::string UnavailableParameterMessage(const CalRowRef& ref, const std::string& abort);

// Big-endian stores into the local calibration buffer.
void StoreU16(size_t offset, uint16_t value);
void StoreI16(size_t offset, int16_t value);
void StoreByte(size_t offset, uint8_t value);
void StoreF4(size_t offset, const std::array<uint8_t, 4>& bytes);

// True when a four-byte float can hold the value: finite, not zero, and its exponent fits the
// exponent byte. The encoder would otherwise wrap the exponent or write 0.00001 for 0.
bool FitsF4(double value);

// The coulomb counter offset sample scale from the "CC Offset Samples" row of CalTable group 0:
// its value when it holds a 16-bit number, otherwise its default (64).
void LoadCCOffsetSampleScale();

}  // namespace gaugecal
