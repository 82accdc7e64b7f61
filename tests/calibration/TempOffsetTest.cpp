#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calibration/Calibrations.h"

namespace gaugecal {
namespace {

struct OffsetCase {
  double actual;
  double measured;
  double current;
  int32_t status;
  uint8_t stored;  // when status is 0
};

class ComputeTempOffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(ComputeTempOffsetTest, RoundsHalvesToEvenAndKeepsTheSignedByteRange) {
  const OffsetCase c = GetParam();
  uint8_t offset = 0xA5;  // untouched on refusal
  EXPECT_EQ(ComputeTempOffset(c.actual, c.measured, c.current, offset), c.status);
  EXPECT_EQ(offset, c.status == 0 ? c.stored : 0xA5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComputeTempOffsetTest,
    ::testing::Values(OffsetCase{25.0, 24.0, 5.0, 0, 0x0F},   // 10 + 5
                      OffsetCase{20.0, 25.0, 0.0, 0, 0xCE},   // -50
                      OffsetCase{12.7, 0.0, 0.0, 0, 0x7F},    // 127 exactly
                      OffsetCase{0.0, 12.8, 0.0, 0, 0x80},    // -128 exactly
                      OffsetCase{0.0, 0.0, 127.5, 1, 0},      // rounds to 128
                      OffsetCase{0.0, 0.0, 126.5, 0, 0x7E},   // rounds to 126
                      OffsetCase{0.0, 0.0, -128.5, 0, 0x80},  // rounds to -128
                      OffsetCase{0.0, 0.0, -129.0, 1, 0},     // below the byte
                      OffsetCase{0.0, 0.0, -1.0, 0, 0xFF},    // two's complement
                      OffsetCase{5000.0, 0.0, 0.0, 1, 0},     // beyond 16 bits as well
                      OffsetCase{-300.0, 25.0, 0.0, 1, 0}));  // no marker logic here

TEST(ComputeTempOffset, RefusesANumberThatIsNoNumber) {
  uint8_t offset = 7;
  EXPECT_EQ(ComputeTempOffset(std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0, offset), 1);
  EXPECT_EQ(ComputeTempOffset(INFINITY, 0.0, 0.0, offset), 1);
  EXPECT_EQ(offset, 7);
}

}  // namespace
}  // namespace gaugecal
