#include "device/Codecs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace gaugecal {
namespace {

TEST(Codecs, Int16JoinTakesBit15AsSign) {
  struct Case {
    uint8_t msb, lsb;
    int16_t value;
  };
  for (const Case& c : {Case{0xFF, 0xFF, -1}, Case{0x80, 0x00, -32768}, Case{0x7F, 0xFF, 32767},
                        Case{0x12, 0x34, 0x1234}, Case{0xE7, 0x00, -6400}}) {
    EXPECT_EQ(BytesToInt16(c.msb, c.lsb), c.value);
    uint8_t msb = 0, lsb = 0;
    Int16ToBytes(c.value, msb, lsb);
    EXPECT_EQ(msb, c.msb);
    EXPECT_EQ(lsb, c.lsb);
  }
}

TEST(Codecs, WordsToInt32JoinsAndClearsBit15OfTheCallerWords) {
  int16_t high = -1, low = -1;
  int32_t value = 0;
  WordsToInt32(high, low, value);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(high, 32767);
  EXPECT_EQ(low, 32767);

  high = 0x0001;
  low = static_cast<int16_t>(0x8000);
  WordsToInt32(high, low, value);
  EXPECT_EQ(value, 0x00018000);
  EXPECT_EQ(low, 0);

  int16_t h = 0, l = 0;
  Int32ToWords(-2, h, l);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(l, -2);
}

TEST(Codecs, F4ExactByteImages) {
  struct Case {
    double value;
    const char* hex;
  };
  for (const Case& c : {Case{1.0, "81000000"}, Case{-1.0, "81800000"}, Case{0.5, "80000000"},
                        Case{2.0, "82000000"}, Case{8.0, "84000000"}, Case{3.0, "82400000"},
                        Case{-0.75, "80C00000"}, Case{0.9419, "8071205C"}}) {
    EXPECT_EQ(EncodeF4Hex(c.value), c.hex) << c.value;
  }
  // Zero has no encoding of its own; it is stored as 0.00001.
  EXPECT_EQ(EncodeF4Hex(0.0), EncodeF4Hex(0.00001));
}

TEST(Codecs, F4DecodeHasNoZero) {
  EXPECT_DOUBLE_EQ(DecodeF4({0x81, 0x00, 0x00, 0x00}), 1.0);
  EXPECT_DOUBLE_EQ(DecodeF4({0x00, 0x00, 0x00, 0x00}), std::ldexp(1.0, -129));
  uint8_t m1 = 0x00;
  DecodeF4(0x81, m1, 0, 0);
  EXPECT_EQ(m1, 0x80) << "the decoder sets the implied bit in the caller's byte";
}

TEST(Codecs, F4RoundTripKeepsTwentyFourBitsOverWideRange) {
  for (int exp = -40; exp <= 40; exp += 3) {
    for (double mant : {0.5, 0.7071, 0.9419, 0.999999}) {
      for (double sign : {1.0, -1.0}) {
        const double v = sign * std::ldexp(mant, exp);
        const double back = DecodeF4(EncodeF4(v));
        EXPECT_NEAR(back, v, std::fabs(v) * std::ldexp(1.0, -24)) << v;
      }
    }
  }
}

TEST(Codecs, F4MantissaRoundsHalvesToEven) {
  struct Case {
    double value;
    const char* hex;
  };
  // 1 + 2^-24 lies exactly halfway between two 24-bit mantissas; so does 1 + 3 * 2^-24.
  for (const Case& c :
       {Case{1.0 + std::ldexp(1.0, -24), "81000000"},
        Case{1.0 + 3 * std::ldexp(1.0, -24), "81000002"},
        Case{-(1.0 + 3 * std::ldexp(1.0, -24)), "81800002"},
        Case{1.0 + 1.4 * std::ldexp(1.0, -23), "81000001"},
        // Halfway below 1.0 the even neighbour is 2^24 itself: a carry.
        Case{1.0 - std::ldexp(1.0, -25), "81000000"},
        Case{-(1.0 - std::ldexp(1.0, -26)), "81800000"}, Case{0.99999999999, "81000000"}}) {
    EXPECT_EQ(EncodeF4Hex(c.value), c.hex) << c.value;
  }
}

TEST(Codecs, F4OutsideTheFormatSaturates) {
  struct Case {
    double value;
    const char* hex;
  };
  const double largest = std::ldexp(1.0 - std::ldexp(1.0, -24), 127);
  const double smallest = std::ldexp(1.0, -129);
  for (const Case& c :
       {Case{largest, "FF7FFFFF"}, Case{-largest, "FFFFFFFF"}, Case{1e39, "FF7FFFFF"},
        Case{std::ldexp(1.0, 127), "FF7FFFFF"}, Case{HUGE_VAL, "FF7FFFFF"},
        Case{-HUGE_VAL, "FFFFFFFF"}, Case{smallest, "00000000"}, Case{-smallest, "00800000"},
        Case{1e-300, "00000000"}, Case{-1e-300, "00800000"}}) {
    EXPECT_EQ(EncodeF4Hex(c.value), c.hex) << c.value;
  }
  EXPECT_EQ(EncodeF4Hex(std::nan("")), EncodeF4Hex(0.00001));
  EXPECT_DOUBLE_EQ(DecodeF4({0xFF, 0x7F, 0xFF, 0xFF}), largest);
  EXPECT_DOUBLE_EQ(DecodeF4({0x00, 0x80, 0x00, 0x00}), -smallest);
}

TEST(Codecs, RoundingIsHalfToEven) {
  struct Case {
    double in;
    int32_t out;
  };
  for (const Case& c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{-0.5, 0}, Case{-1.5, -2},
                        Case{20500.5, 20500}, Case{20501.5, 20502}, Case{126.5, 126},
                        Case{127.5, 128}, Case{10485.76, 10486}}) {
    EXPECT_EQ(RoundToInt32(c.in), c.out) << c.in;
  }
  EXPECT_FALSE(RoundToInt32(3e9).has_value());
  EXPECT_FALSE(RoundToInt32(std::nan("")).has_value());
  EXPECT_FALSE(RoundToInt16(32767.5).has_value());
  EXPECT_EQ(RoundToInt16(-32768.4), -32768);
}

TEST(Codecs, TextHelpers) {
  EXPECT_EQ(Hex2(0x0A), "0A");
  EXPECT_EQ(Hex2(0xFF), "FF");
  EXPECT_EQ(PadLeft("7", 3), "007");
  EXPECT_EQ(PadLeft("1234", 2), "1234");
  EXPECT_TRUE(IsHexChar("a"));
  EXPECT_TRUE(IsHexChar("F"));
  EXPECT_FALSE(IsHexChar("G"));
  EXPECT_FALSE(IsHexChar(""));
  EXPECT_TRUE(IsBitSet(static_cast<int16_t>(0x8000), 16));
  EXPECT_FALSE(IsBitSet(static_cast<int16_t>(0x8000), 14));
  EXPECT_TRUE(IsBitSet(static_cast<int16_t>(0x8000), 15));
  EXPECT_FALSE(IsBitSet(0x7FFF, 16));
}

TEST(Codecs, NumberFormats) {
  EXPECT_EQ(FormatFixed3(0.9419), "0.942");
  EXPECT_EQ(FormatFixed3(280932.625), "280932.625");
  EXPECT_EQ(FormatFixed3(-7.5), "-7.500");
  EXPECT_EQ(FormatFixed3(0.0625), "0.062") << "an exact tie goes to even";
  EXPECT_EQ(FormatFixed3(0.1875), "0.188");
  EXPECT_EQ(FormatFixed3(-0.0001), "0.000") << "zero shows no sign";
  EXPECT_EQ(FormatFixed3(1e30), "1000000000000000019884624838656.000");
  EXPECT_EQ(Format00_0(-0.04), "00.0");
  EXPECT_EQ(Format00_0(25.0), "25.0");
  EXPECT_EQ(Format00_0(5.04), "05.0");
  EXPECT_EQ(Format00_0(-5.0), "-05.0");
  EXPECT_EQ(Format00_0(123.45), "123.5");
  EXPECT_EQ(ParseDecimal(" -12.5 "), -12.5);
  EXPECT_FALSE(ParseDecimal("").has_value());
  EXPECT_FALSE(ParseDecimal("Err_Rd").has_value());
  EXPECT_FALSE(ParseDecimal("0x10").has_value());
  EXPECT_FALSE(ParseDecimal("12abc").has_value());
}

}  // namespace
}  // namespace gaugecal
