#include "sim/GaugeFloat.h"

#include <cmath>

namespace gaugecal::sim {

namespace {

constexpr int kExponentBias = 128 + 24;  // E counts from 2^-128; the mantissa has 24 bits
constexpr uint32_t kImpliedBit = 0x800000;
constexpr uint32_t kMantissaLimit = 0x1000000;
constexpr uint8_t kSignBit = 0x80;

}  // namespace

double GaugeFloatValue(const std::array<uint8_t, 4>& bytes) {
  const uint32_t mantissa = kImpliedBit | static_cast<uint32_t>(bytes[1] & 0x7F) << 16 |
                            static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
  const double magnitude = std::ldexp(static_cast<double>(mantissa), bytes[0] - kExponentBias);
  return (bytes[1] & kSignBit) != 0 ? -magnitude : magnitude;
}

std::array<uint8_t, 4> GaugeFloatBytes(double value) {
  const bool negative = std::signbit(value) && !std::isnan(value);
  const double magnitude = std::fabs(value);
  int exponent = 0;  // E: magnitude = mantissa x 2^(exponent - 152)
  uint32_t mantissa = kImpliedBit;
  if (std::isinf(magnitude)) {
    exponent = 255;
    mantissa = kMantissaLimit - 1;
  } else if (magnitude > 0.0) {
    // The mantissa holds 24 bits with its top bit set: scale into [2^23, 2^24).
    exponent = std::ilogb(magnitude) + 1 + 128;
    auto scaled =
        static_cast<uint32_t>(std::nearbyint(std::ldexp(magnitude, kExponentBias - exponent)));
    if (scaled == kMantissaLimit) {
      scaled = kImpliedBit;
      ++exponent;
    }
    mantissa = scaled;
    if (exponent > 255) {
      exponent = 255;
      mantissa = kMantissaLimit - 1;
    } else if (exponent < 0) {
      exponent = 0;
      mantissa = kImpliedBit;
    }
  }
  return {static_cast<uint8_t>(exponent),
          static_cast<uint8_t>((mantissa >> 16 & 0x7F) | (negative ? kSignBit : 0)),
          static_cast<uint8_t>(mantissa >> 8 & 0xFF), static_cast<uint8_t>(mantissa & 0xFF)};
}

}  // namespace gaugecal::sim
