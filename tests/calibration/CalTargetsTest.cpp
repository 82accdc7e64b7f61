// Target resolution and the calibration buffer helpers. The families' own layouts are checked
// byte for byte end to end through the simulated gauges; the data flash map on CEDV and QSPAN,
// which no simulated gauge uses, is checked here.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <vector>

#include "calibration/CalParameters.h"
#include "calibration/CalTargets.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"

namespace gaugecal {
namespace {

int OffsetOf(const CalRowRef& ref, size_t width) {
  const auto p = FindCalParam(ref, width);
  return p ? static_cast<int>(p->offset) : -1;
}

int TempOffsetOf(CalLayout layout, int sensor) {
  const auto t = TemperatureTarget(layout, sensor);
  return t ? OffsetOf(t->row, 1) : -1;  // -1: not calibrated
}

TEST(Targets, DataFlashMapOnOwnListFamiliesResolvesToGroupZero) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    SCOPED_TRACE(DfTypeName(family));
    ResetModule();
    InitDisplayTables();
    Module().calConfig = CalConfig::Defaults(family);
    Module().calConfig.UseDataflashMap = true;
    ASSERT_EQ(CurrentCalLayout(), CalLayout::Mapped);
    const auto cells = CellScaleTargets(CalLayout::Mapped);
    for (size_t i = 0; i < cells.size(); ++i)
      EXPECT_EQ(OffsetOf(cells[i], 2), static_cast<int>(2 * i)) << "cell " << i + 1;
    const int temperatures[] = {-1, 27, 28, 29, -1};
    for (int s = 0; s < kTemperatureSensors; ++s)
      EXPECT_EQ(TempOffsetOf(CalLayout::Mapped, s), temperatures[s]) << "sensor " << s;
    EXPECT_EQ(OffsetOf(CCOffsetTarget(CalLayout::Mapped), 2), 20);
    EXPECT_EQ(OffsetOf(BoardOffsetTarget(CalLayout::Mapped), 2), 24);
    EXPECT_EQ(OffsetOf(CurrentGainTarget(CalLayout::Mapped), 4), 12);
    EXPECT_EQ(OffsetOf(CapacityGainTarget(CalLayout::Mapped), 4), 16);
    EXPECT_FALSE(PackGainTarget(CalLayout::Mapped));
  }
}

// RN44K18 calibrates TS3 and TS4 (no simulated gauge reads them), map or no map.
TEST(Targets, RowLayoutKeepsTS3AndTS4) {
  for (bool map : {false, true}) {
    ResetModule();
    InitDisplayTables();
    Module().calConfig = CalConfig::Defaults(DfType::RN44K18);
    Module().calConfig.UseDataflashMap = map;
    ASSERT_EQ(CurrentCalLayout(), CalLayout::Rn44k18);
    EXPECT_EQ(TempOffsetOf(CalLayout::Rn44k18, 3), 29);
    EXPECT_EQ(TempOffsetOf(CalLayout::Rn44k18, 4), 30);
  }
}

class CalParamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModule();
    InitDisplayTables();
    Module().calConfig = CalConfig::Defaults(DfType::RN44K18);
  }
  DisplayItem& Row(const char* name) {
    for (DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
      if (item.name == name)
        return item;
    }
    throw std::logic_error(name);
  }
};

TEST_F(CalParamTest, PositionMustHoldTheWholeValueInsideTheBuffer) {
  const CalRowRef ref{kCalGroupRn44k18, "Board Offset"};
  struct {
    const char* position;
    size_t width;
    int expected;
  } cases[] = {{"254", 2, 254}, {"255", 2, -1}, {"255", 1, 255}, {"252", 4, 252}, {"253", 4, -1},
               {"-1", 1, -1},   {"2.5", 2, 2},  {"3.5", 2, 4},   {"x", 2, -1},    {"", 2, -1}};
  for (const auto& c : cases) {
    Row("Board Offset").position = c.position;
    EXPECT_EQ(OffsetOf(ref, c.width), c.expected) << '"' << c.position << '"';
  }
  EXPECT_FALSE(FindCalParam({kCalGroupRn44k18, "No Such Row"}, 1));
}

TEST_F(CalParamTest, FloatValueUsesTheBufferBytesWhenTheTextIsTheirDisplay) {
  const auto bytes = EncodeF4(0.9419);
  std::copy(bytes.begin(), bytes.end(), Module().calBuffer.begin() + 12);
  Row("CC Gain").value = "0.942";  // three decimals of what the buffer holds
  auto p = FindCalParam({kCalGroupRn44k18, "CC Gain"}, 4);
  ASSERT_TRUE(p);
  EXPECT_NEAR(*ParamValue(*p), 0.9419, 1e-6);
  Row("CC Gain").value = "7.5";  // a text of its own: the text counts
  EXPECT_EQ(*ParamValue(*p), 7.5);
  Row("CC Gain").value = "";
  EXPECT_FALSE(ParamValue(*p));
}

TEST(FitsF4, RejectsZeroAndExponentsBeyondTheExponentByte) {
  EXPECT_TRUE(FitsF4(7.5));
  EXPECT_TRUE(FitsF4(-2248203.26));
  EXPECT_FALSE(FitsF4(0.0));
  EXPECT_FALSE(FitsF4(1e300));
  EXPECT_FALSE(FitsF4(1e-300));
  EXPECT_FALSE(FitsF4(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace gaugecal
