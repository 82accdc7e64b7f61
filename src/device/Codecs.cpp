#include "device/Codecs.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace gaugecal {

namespace {

// The four-byte float: exponent byte E = exponent + 128, 24-bit mantissa with its top bit set.
constexpr int kF4ExponentMin = -128;
constexpr int kF4ExponentMax = 127;
constexpr int64_t kF4MantissaMin = int64_t{1} << 23;
constexpr int64_t kF4MantissaMax = (int64_t{1} << 24) - 1;

}  // namespace

int16_t BytesToInt16(uint8_t msb, uint8_t lsb) {
  return static_cast<int16_t>(static_cast<uint16_t>((msb << 8) | lsb));
}

void Int16ToBytes(int16_t value, uint8_t& msb, uint8_t& lsb) {
  const auto u = static_cast<uint16_t>(value);
  msb = static_cast<uint8_t>(u >> 8);
  lsb = static_cast<uint8_t>(u & 0xFF);
}

void WordsToInt32(int16_t& high, int16_t& low, int32_t& value) {
  const uint32_t bits =
      (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16) | static_cast<uint16_t>(low);
  value = static_cast<int32_t>(bits);
  high = static_cast<int16_t>(high & 0x7FFF);
  low = static_cast<int16_t>(low & 0x7FFF);
}

void Int32ToWords(int32_t value, int16_t& high, int16_t& low) {
  const auto bits = static_cast<uint32_t>(value);
  high = static_cast<int16_t>(static_cast<uint16_t>(bits >> 16));
  low = static_cast<int16_t>(static_cast<uint16_t>(bits & 0xFFFF));
}

double DecodeF4(uint8_t e, uint8_t& m1, uint8_t m2, uint8_t m3) {
  const bool negative = (m1 & 0x80) != 0;
  m1 = static_cast<uint8_t>(m1 | 0x80);
  const double mantissa = static_cast<double>((m1 << 16) | (m2 << 8) | m3);
  const double magnitude = std::ldexp(mantissa, static_cast<int>(e) - 128 - 24);
  return negative ? -magnitude : magnitude;
}

double DecodeF4(const std::array<uint8_t, 4>& bytes) {
  uint8_t m1 = bytes[1];
  return DecodeF4(bytes[0], m1, bytes[2], bytes[3]);
}

std::array<uint8_t, 4> EncodeF4(double value) {
  // Callers range-check before they encode; these guards only keep the bytes defined. Not a
  // number is stored like zero, magnitudes beyond the format saturate at its largest or
  // smallest value.
  if (value == 0.0 || std::isnan(value))
    value = 0.00001;
  const bool negative = value < 0.0;
  if (negative)
    value = -value;
  int exponent = 0;
  int64_t mantissa = kF4MantissaMax;
  if (std::isfinite(value)) {
    // frexp gives value = fraction * 2^exponent with fraction in [0.5, 1): the exponent that
    // floor(log2(value) + 1) names, without the rounding error of logarithms at powers of two.
    const double fraction = std::frexp(value, &exponent);
    mantissa = static_cast<int64_t>(std::nearbyint(std::ldexp(fraction, 24)));
    if (mantissa > kF4MantissaMax) {  // rounding carried into the next power of two
      mantissa >>= 1;
      ++exponent;
    }
  } else {
    exponent = kF4ExponentMax;
  }
  if (exponent > kF4ExponentMax) {
    exponent = kF4ExponentMax;
    mantissa = kF4MantissaMax;
  } else if (exponent < kF4ExponentMin) {
    exponent = kF4ExponentMin;
    mantissa = kF4MantissaMin;
  }
  std::array<uint8_t, 4> bytes{};
  bytes[0] = static_cast<uint8_t>(exponent + 128);
  bytes[1] = static_cast<uint8_t>((mantissa >> 16) & 0x7F);
  if (negative)
    bytes[1] = static_cast<uint8_t>(bytes[1] | 0x80);
  bytes[2] = static_cast<uint8_t>((mantissa >> 8) & 0xFF);
  bytes[3] = static_cast<uint8_t>(mantissa & 0xFF);
  return bytes;
}

std::string EncodeF4Hex(double value) {
  const auto bytes = EncodeF4(value);
  return Hex2(bytes[0]) + Hex2(bytes[1]) + Hex2(bytes[2]) + Hex2(bytes[3]);
}

std::optional<int32_t> RoundToInt32(double value) {
  if (!std::isfinite(value))
    return std::nullopt;
  const double r = std::nearbyint(value);  // default rounding mode: nearest, halves to even
  if (r < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      r > static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

std::optional<int16_t> RoundToInt16(double value) {
  const auto r = RoundToInt32(value);
  if (!r || *r < std::numeric_limits<int16_t>::min() || *r > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(*r);
}

std::string Hex2(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string PadLeft(const std::string& text, int16_t width) {
  std::string padded = text;
  while (static_cast<int>(padded.size()) < width)
    padded.insert(padded.begin(), '0');
  return padded;
}

bool IsHexChar(const std::string& character) {
  if (character.empty())
    return false;
  const char c = character[0];
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsBitSet(int32_t value, int16_t position) {
  if (position < 0 || position > 31)
    return false;
  return ((static_cast<uint32_t>(value) >> position) & 1U) != 0;
}

std::string FormatFixed3(double value) {
  char text[400];  // room for the widest double in fixed notation
  std::snprintf(text, sizeof text, "%.3f", value);
  const std::string shown = text;
  return shown == "-0.000" ? "0.000" : shown;
}

std::string Format00_0(double value) {
  char digits[400];  // room for the widest double in fixed notation
  std::snprintf(digits, sizeof digits, "%.1f", std::fabs(value));
  std::string text = digits;
  if (text.find('.') < 2)
    text.insert(text.begin(), '0');
  const bool showsMinus = value < 0.0 && text != "00.0";
  return showsMinus ? "-" + text : text;
}

std::optional<double> ParseDecimal(const std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos)
    return std::nullopt;
  const size_t e = text.find_last_not_of(" \t");
  const std::string t = text.substr(b, e - b + 1);
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v))
    return std::nullopt;
  // strtod also reads hexadecimal floats and "inf"/"nan"; a decimal text is digits only.
  if (t.find_first_of("xXnN") != std::string::npos)
    return std::nullopt;
  return v;
}

}  // namespace gaugecal
