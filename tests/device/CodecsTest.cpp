#include "device/Codecs.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/GaugeFloat.h"

namespace gaugecal {
namespace {

TEST(Codecs, SixteenAndThirtyTwoBitSplitsAreTwosComplement) {
  for (const int word : {0xFFFF, 0x8000, 0x7FFF, 0x1234, 0xE700}) {  // -1, -32768, ..., -6400
    const int16_t value = BytesToInt16(static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word));
    EXPECT_EQ(value, word > 0x7FFF ? word - 0x10000 : word);
    uint8_t msb = 0, lsb = 0;
    Int16ToBytes(value, msb, lsb);
    EXPECT_EQ(msb << 8 | lsb, word);
  }
  int16_t high = -1, low = -1;
  int32_t value = 0;
  WordsToInt32(high, low, value);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(high, 32767) << "bit 15 of the caller's words is cleared";
  EXPECT_EQ(low, 32767);
  high = 1;
  low = static_cast<int16_t>(0x8000);
  WordsToInt32(high, low, value);
  EXPECT_EQ(value, 0x00018000);
  Int32ToWords(-2, high, low);
  EXPECT_EQ(high, -1);
  EXPECT_EQ(low, -2);
  Int32ToWords(0x12345678, high, low);
  EXPECT_EQ(high, 0x1234);
  EXPECT_EQ(low, 0x5678);
}

TEST(Codecs, F4EncodingRoundsHalvesToEvenAndSaturates) {
  const double ulp = std::ldexp(1.0, -24);
  const double largest = std::ldexp(1.0 - ulp, 127);
  const double smallest = std::ldexp(1.0, -129);
  std::string hex;
  for (double v : {1.0, -1.0, 0.5, 3.0, -0.75, 0.9419, 1.0 + ulp, 1.0 + 3 * ulp, -(1.0 + 3 * ulp),
                   1.0 + 2.8 * ulp, 1.0 - ulp / 2, -(1.0 - ulp / 4), largest, -largest,
                   std::ldexp(1.0, 127), -HUGE_VAL, smallest, -1e-300, 1.0 - ulp})
    hex += EncodeF4Hex(v) + " ";
  EXPECT_EQ(hex,
            "81000000 81800000 80000000 82400000 80C00000 8071205C 81000000 81000002 81800002 "
            "81000001 81000000 81800000 FF7FFFFF FFFFFFFF FF7FFFFF FFFFFFFF 00000000 00800000 "
            "807FFFFF ");
  // Zero and not-a-number have no encoding of their own; they are stored as 0.00001.
  EXPECT_EQ(EncodeF4Hex(0.0), EncodeF4Hex(0.00001));
  EXPECT_EQ(EncodeF4Hex(std::nan("")), EncodeF4Hex(0.00001));
  EXPECT_NE(EncodeF4Hex(0.00001), EncodeF4Hex(0.0001));
}

TEST(Codecs, F4DecodingKeepsTwentyFourBitsAndHasNoZero) {
  EXPECT_EQ(DecodeF4({0x93, 0x09, 0x2C, 0x94}), 280932.625);
  EXPECT_EQ(DecodeF4({0x00, 0x80, 0x00, 0x00}), -std::ldexp(1.0, -129));
  EXPECT_EQ(DecodeF4({0xFF, 0x7F, 0xFF, 0xFF}), std::ldexp(1.0 - std::ldexp(1.0, -24), 127));
  uint8_t m1 = 0x00;
  DecodeF4(0x81, m1, 0, 0);
  EXPECT_EQ(m1, 0x80) << "the decoder sets the implied bit in the caller's byte";
}

TEST(Codecs, RoundingIsHalfToEvenWithinTheType) {
  std::string rounded;
  for (double v : {0.5, 1.5, 2.5, -0.5, -1.5, 20500.5, 20501.5, 10485.76, -2147483648.4})
    rounded += std::to_string(*RoundToInt32(v)) + " ";
  EXPECT_EQ(rounded, "0 2 2 0 -2 20500 20502 10486 -2147483648 ");
  EXPECT_FALSE(RoundToInt32(3e9));
  EXPECT_FALSE(RoundToInt32(std::nan("")));
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_FALSE(RoundToInt16(32767.5));
  EXPECT_EQ(RoundToInt16(-32768.4), -32768);
  EXPECT_FALSE(RoundToInt16(-32768.6));
}

TEST(Codecs, TextHelpers) {
  EXPECT_EQ(Hex2(0x0A) + Hex2(0xF0) + Hex2(0x5C) + PadLeft("7", 3) + PadLeft("1234", 2),
            "0AF05C0071234");
  for (const char* hex : {"0", "9", "a", "F"})
    EXPECT_TRUE(IsHexChar(hex)) << hex;
  for (const char* other : {"G", "g", "/", ":", "@", "`", ""})
    EXPECT_FALSE(IsHexChar(other)) << other;
  // A negative word sign-extends; positions outside 0 to 31 read as 0.
  const int16_t sign = static_cast<int16_t>(0x8000);
  EXPECT_EQ(std::to_string(IsBitSet(sign, 16)) + std::to_string(IsBitSet(sign, 15)) +
                std::to_string(IsBitSet(sign, 14)) + std::to_string(IsBitSet(0x7FFF, 16)) +
                std::to_string(IsBitSet(1, 0)) + std::to_string(IsBitSet(-1, 31)) +
                std::to_string(IsBitSet(-1, 32)) + std::to_string(IsBitSet(-1, -1)),
            "11001100");
}

TEST(Codecs, NumberFormats) {
  std::string shown;
  for (double v : {0.9419, -7.5, 280932.625, 0.0625, 0.1875, -0.0001, 1e30})
    shown += FormatFixed3(v) + " ";
  for (double v : {-0.04, 5.04, -5.0, 123.45})
    shown += Format00_0(v) + " ";
  EXPECT_EQ(shown,
            "0.942 -7.500 280932.625 0.062 0.188 0.000 1000000000000000019884624838656.000 "
            "00.0 05.0 -05.0 123.5 ");
  EXPECT_EQ(ParseDecimal(" -12.5 "), -12.5);
  EXPECT_EQ(ParseDecimal("+3"), 3.0);
  for (const char* bad : {"", " ", "Err_Rd", "0x10", "12abc", "1 2", "inf", "nan", "-"})
    EXPECT_FALSE(ParseDecimal(bad)) << bad;
}

// The simulated gauge's own four-byte float and the codec give the bytes worked out from the
// format's definition, and read them back alike.
TEST(Codecs, TheSimulatedGaugesFloatAgrees) {
  const std::pair<double, std::array<uint8_t, 4>> cases[] = {
      {0.9419, {0x80, 0x71, 0x20, 0x5C}},      // 15802652 x 2^-24
      {280932.625, {0x93, 0x09, 0x2C, 0x94}},  // 8989844 x 2^-5
      {-1.0, {0x81, 0x80, 0x00, 0x00}},
      {std::ldexp(1.0, -129), {0x00, 0x00, 0x00, 0x00}},
      {std::ldexp(1.0 - std::ldexp(1.0, -24), 127), {0xFF, 0x7F, 0xFF, 0xFF}}};
  for (const auto& [value, bytes] : cases) {
    EXPECT_EQ(sim::GaugeFloatBytes(value), bytes) << value;
    EXPECT_EQ(sim::GaugeFloatValue(bytes), DecodeF4(bytes)) << value;
    EXPECT_NEAR(sim::GaugeFloatValue(bytes), value, std::fabs(value) * 0x1p-24);
  }
}

}  // namespace
}  // namespace gaugecal
