#pragma once
// The gauge's four-byte float as the simulated gauge keeps it in data flash, written from the
// format's definition and not shared with the tool, so that an error in the tool's codec shows
// up as a wrong value in the gauge instead of cancelling out.
//
// Bytes E, M1, M2, M3: value = (-1)^s x ((M1 | 0x80) x 2^16 + M2 x 2^8 + M3) x 2^(E - 152),
// s being bit 7 of M1, where the mantissa's leading 1 is implied. There is no zero.

#include <array>
#include <cstdint>

namespace gaugecal::sim {

double GaugeFloatValue(const std::array<uint8_t, 4>& bytes);

// Nearest representable value (mantissa halves to even). Zero and not-a-number become the
// smallest magnitude (bytes 00 00 00 00), magnitudes beyond the format its largest.
std::array<uint8_t, 4> GaugeFloatBytes(double value);

}  // namespace gaugecal::sim
