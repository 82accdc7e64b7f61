// Halves-to-even and the signed byte's edges that no entered reading reaches exactly; the
// worked examples and the 127 / -128 / 127.5 limits run end to end in VoltageTemperatureTest.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calibration/Calibrations.h"

namespace gaugecal {
namespace {

TEST(ComputeTempOffset, RoundsHalvesToEvenAndRefusesWhatLeavesTheSignedByte) {
  struct Case {
    double current;
    int32_t status;
    uint8_t stored;  // when status is 0; untouched (0xA5) otherwise
  };
  const Case cases[] = {{126.5, 0, 0x7E},
                        {-128.5, 0, 0x80},
                        {-129.0, 1, 0xA5},
                        {-1.0, 0, 0xFF},
                        {5000.0, 1, 0xA5},
                        {INFINITY, 1, 0xA5},
                        {std::numeric_limits<double>::quiet_NaN(), 1, 0xA5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    uint8_t offset = 0xA5;
    EXPECT_EQ(ComputeTempOffset(0.0, 0.0, c.current, offset), c.status);
    EXPECT_EQ(offset, c.stored);
  }
}

}  // namespace
}  // namespace gaugecal
