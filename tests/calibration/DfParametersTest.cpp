// Parameter values to and from their big-endian bytes for every data type, and the range and
// type checks made before anything is sent.

#include <gtest/gtest.h>

#include "calibration/DfParameters.h"

namespace gaugecal::test {
namespace {

DfParameterInfo Param(const std::string& type, const std::string& min = "",
                      const std::string& max = "", const std::string& units = "") {
  DfParameterInfo p;
  p.className = "C";
  p.subclassName = "S";
  p.name = "P";
  p.type = type;
  p.minimum = min;
  p.maximum = max;
  p.units = units;
  return p;
}

TEST(DfParameters, EncodesAndDecodesEveryTypeBigEndian) {
  struct Case {
    const char* type;
    const char* value;
    std::vector<uint8_t> bytes;
    const char* shown;  // as read back
  };
  const Case cases[] = {
      {"U1", "200", {0xC8}, "200"},
      {"I1", "-2", {0xFE}, "-2"},
      {"H1", "0x7F", {0x7F}, "0x7F"},
      {"U2", "4400", {0x11, 0x30}, "4400"},
      {"I2", "-7204", {0xE3, 0xDC}, "-7204"},
      {"H2", "768", {0x03, 0x00}, "0x0300"},
      {"T2", "2982", {0x0B, 0xA6}, "2982"},
      {"U4", "4294967295", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {"I4", "-2147483648", {0x80, 0x00, 0x00, 0x00}, "-2147483648"},
      {"H4", "0x01020304", {0x01, 0x02, 0x03, 0x04}, "0x01020304"},
      {"F4", "0.9419", {0x80, 0x71, 0x20, 0x5C}, "0.9419"},
      // The shortest text of the same float: a 24-bit mantissa steps by 1/32 here.
      {"F4", "280932.625", {0x93, 0x09, 0x2C, 0x94}, "280932.62"},
      {"S6", "ab", {'a', 'b', 0, 0, 0, 0}, "ab"},  // padded with NUL, shown up to it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.value);
    const DfParameterInfo p = Param(c.type);
    std::string problem;
    EXPECT_EQ(EncodeDfValue(p, c.value, problem), c.bytes);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(DecodeDfValue(p, c.bytes), c.shown);
    EXPECT_EQ(DfTypeSize(c.type), static_cast<int>(c.bytes.size()));
  }
}

TEST(DfParameters, RefusesValuesOutsideTheTypeOrTheDescriptionNamingTheRange) {
  struct Case {
    DfParameterInfo param;
    const char* value;
    const char* problem;
  };
  const Case cases[] = {
      {Param("U2", "100", "32767", "mAh"), "32768",
       "P: 32768 is out of range; it must be from 100 to 32767 mAh."},
      {Param("U1"), "256", "P: 256 is out of range; it must be from 0 to 255."},
      {Param("I1"), "-129", "P: -129 is out of range; it must be from -128 to 127."},
      {Param("H2", "0x0000", "0x00FF", "-"), "0x100",
       "P: 0x100 is out of range; it must be from 0x0000 to 0x00FF."},
      {Param("U2", "0", "99999"), "65536", "P: 65536 is out of range; it must be from 0 to 65535."},
      {Param("U2"), "12.5", "P: \"12.5\" is not a whole number."},
      {Param("F4", "0.1", "10.0"), "10.5", "P: 10.5 is out of range; it must be from 0.1 to 10.0."},
      {Param("F4"), "abc", "P: \"abc\" is not a number."},
      {Param("S3"), "LION", "P holds at most 3 characters."},
      {Param("X9"), "1", "P has the data type X9, which gaugecal does not write."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.param.type + " " + c.value);
    std::string problem;
    EXPECT_TRUE(EncodeDfValue(c.param, c.value, problem).empty());
    EXPECT_EQ(problem, c.problem);
  }
  std::string problem;
  EXPECT_EQ(EncodeDfValue(Param("U2", "100", "32767"), "100", problem),
            (std::vector<uint8_t>{0x00, 0x64}));
}

}  // namespace
}  // namespace gaugecal::test
