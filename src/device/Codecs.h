#pragma once
// Conversions between the gauge's bytes and the numbers and texts of the tool: 16- and 32-bit
// splits and joins (two's complement), the gauge's four-byte floating-point format, rounding to
// nearest with halves to even, and the small hexadecimal and number-format helpers.
//
// Four-byte float, bytes E M1 M2 M3: value = (-1)^s * ((M1 | 0x80) << 16 | M2 << 8 | M3)
// * 2^(E - 128 - 24), s being bit 7 of M1. The mantissa's leading 1 is implied; there is no zero.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace gaugecal {

int16_t BytesToInt16(uint8_t msb, uint8_t lsb);
void Int16ToBytes(int16_t value, uint8_t& msb, uint8_t& lsb);
// Joins High:Low as a 32-bit two's-complement value and, as the gauge tools always have,
// clears bit 15 of both caller variables.
void WordsToInt32(int16_t& high, int16_t& low, int32_t& value);
void Int32ToWords(int32_t value, int16_t& high, int16_t& low);

// Sets bit 7 of m1 (the implied mantissa bit) as a side effect, like the original routine.
double DecodeF4(uint8_t e, uint8_t& m1, uint8_t m2, uint8_t m3);
double DecodeF4(const std::array<uint8_t, 4>& bytes);
// Eight upper-case hex digits, exponent byte first. 0 (and not-a-number) is encoded as
// 0.00001; the mantissa rounds halves to even, a carry into the next power of two raises the
// exponent; magnitudes outside the format saturate at its largest or smallest value.
std::string EncodeF4Hex(double value);
std::array<uint8_t, 4> EncodeF4(double value);

// Nearest integer, halves to even; nothing when the value is not finite or does not fit.
std::optional<int32_t> RoundToInt32(double value);
std::optional<int16_t> RoundToInt16(double value);

std::string Hex2(uint8_t value);
std::string PadLeft(const std::string& text, int16_t width);
// True when the first character is 0-9 or A-F in either case; false for an empty text.
bool IsHexChar(const std::string& character);
// Bit position of value taken as a signed 32-bit integer (a 16-bit value sign-extends, so
// positions 16 to 31 of a negative word read as 1). Positions outside 0..31 read as 0.
bool IsBitSet(int32_t value, int16_t position);

// "########0.000": three decimals, at least one integer digit; an exact tie at the third
// decimal goes to even, and a value that shows as zero has no minus sign.
std::string FormatFixed3(double value);
// "00.0": one decimal, at least two integer digits.
std::string Format00_0(double value);

// A decimal number text (blanks around it allowed); nothing for anything else.
std::optional<double> ParseDecimal(const std::string& text);

}  // namespace gaugecal
