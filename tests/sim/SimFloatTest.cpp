// The simulated gauge's own four-byte float and the tool's codec give the bytes worked out
// from the format's definition, and read them back alike.

#include <gtest/gtest.h>

#include <cmath>

#include "device/Codecs.h"
#include "sim/GaugeFloat.h"

namespace gaugecal::test {
namespace {

TEST(GaugeFloat, SimulatedGaugeAndToolAgreeOnFixedVectors) {
  const std::pair<double, std::array<uint8_t, 4>> cases[] = {
      {0.9419, {0x80, 0x71, 0x20, 0x5C}},      // 15802652 x 2^-24
      {280932.625, {0x93, 0x09, 0x2C, 0x94}},  // 8989844 x 2^-5
      {1.0, {0x81, 0x00, 0x00, 0x00}},
      {-1.0, {0x81, 0x80, 0x00, 0x00}},
      {std::ldexp(1.0, -129), {0x00, 0x00, 0x00, 0x00}},
      {std::ldexp(1.0 - std::ldexp(1.0, -24), 127), {0xFF, 0x7F, 0xFF, 0xFF}}};
  for (const auto& [value, bytes] : cases) {
    EXPECT_EQ(sim::GaugeFloatBytes(value), bytes) << value;
    EXPECT_EQ(EncodeF4(value), bytes) << value;
    EXPECT_EQ(sim::GaugeFloatValue(bytes), DecodeF4(bytes)) << value;
    EXPECT_NEAR(sim::GaugeFloatValue(bytes), value, std::fabs(value) * 0x1p-24);
  }
}

}  // namespace
}  // namespace gaugecal::test
