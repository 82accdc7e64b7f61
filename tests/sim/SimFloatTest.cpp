// The simulated gauge's own four-byte float against the tool's codec on fixed vectors: both
// must give the bytes worked out from the format's definition, and read them back alike.

#include <gtest/gtest.h>

#include <cmath>

#include "device/Codecs.h"
#include "sim/GaugeFloat.h"

namespace gaugecal::test {
namespace {

TEST(GaugeFloat, SimulatedGaugeAndToolAgreeOnFixedVectors) {
  struct Case {
    double value;
    std::array<uint8_t, 4> bytes;
  } cases[] = {
      {0.9419, {0x80, 0x71, 0x20, 0x5C}},      // 15802652 x 2^-24
      {280932.625, {0x93, 0x09, 0x2C, 0x94}},  // exact: 8989844 x 2^-5
      {1.0, {0x81, 0x00, 0x00, 0x00}},
      {-1.0, {0x81, 0x80, 0x00, 0x00}},
      {std::ldexp(1.0, -129), {0x00, 0x00, 0x00, 0x00}},                        // smallest
      {std::ldexp(1.0 - std::ldexp(1.0, -24), 127), {0xFF, 0x7F, 0xFF, 0xFF}},  // largest
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(sim::GaugeFloatBytes(c.value), c.bytes);
    EXPECT_EQ(EncodeF4(c.value), c.bytes);
    const double gauge = sim::GaugeFloatValue(c.bytes);
    EXPECT_EQ(gauge, DecodeF4(c.bytes));
    EXPECT_NEAR(gauge, c.value, std::fabs(c.value) * 0x1p-24);
  }
}

}  // namespace
}  // namespace gaugecal::test
