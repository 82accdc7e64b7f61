// Every target of every layout must name a row that exists in the default tables, at the byte
// position the gauge keeps that constant; a misspelt row name or a wrong group would send a
// constant into another parameter.

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

struct LayoutCase {
  DfType family;
  bool map;
  CalLayout layout;
  std::vector<int> cells;
  std::vector<int> temperatures;  // internal, TS1..TS4; -1 = not calibrated
  int ccOffset, boardOffset, currentGain, capacityGain, packGain;
};

class TargetsTest : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override {
    ResetModule();
    InitDisplayTables();
  }
};

TEST_P(TargetsTest, ResolveToTheGaugeBytePositions) {
  const LayoutCase c = GetParam();
  Module().calConfig = CalConfig::Defaults(c.family);
  Module().calConfig.UseDataflashMap = c.map;
  ASSERT_EQ(CurrentCalLayout(), c.layout);
  const auto cells = CellScaleTargets(c.layout);
  for (size_t i = 0; i < cells.size(); ++i)
    EXPECT_EQ(OffsetOf(cells[i], 2), c.cells[i]) << "cell " << i + 1;
  for (int s = 0; s < kTemperatureSensors; ++s)
    EXPECT_EQ(TempOffsetOf(c.layout, s), c.temperatures[static_cast<size_t>(s)]) << "sensor " << s;
  EXPECT_EQ(OffsetOf(CCOffsetTarget(c.layout), 2), c.ccOffset);
  EXPECT_EQ(OffsetOf(BoardOffsetTarget(c.layout), 2), c.boardOffset);
  EXPECT_EQ(OffsetOf(CurrentGainTarget(c.layout), 4), c.currentGain);
  EXPECT_EQ(OffsetOf(CapacityGainTarget(c.layout), 4), c.capacityGain);
  const auto pack = PackGainTarget(c.layout);
  EXPECT_EQ(pack ? OffsetOf(*pack, 2) : -1, c.packGain);
  EXPECT_EQ(OffsetOf(BatteryGainTarget(), 2), 10);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TargetsTest,
                         ::testing::Values(LayoutCase{DfType::RN44K18,
                                                      false,
                                                      CalLayout::Rn44k18,
                                                      {0, 2, 4, 6},
                                                      {26, 27, 28, 29, 30},
                                                      20,
                                                      24,
                                                      12,
                                                      16,
                                                      8},
                                           LayoutCase{DfType::RN44K18,
                                                      true,
                                                      CalLayout::Rn44k18,
                                                      {0, 2, 4, 6},
                                                      {26, 27, 28, 29, 30},
                                                      20,
                                                      24,
                                                      12,
                                                      16,
                                                      8},
                                           LayoutCase{DfType::CEDV_PLUS,
                                                      false,
                                                      CalLayout::CedvPlus,
                                                      {0, 2, 4, 6},
                                                      {26, 27, 28, 29, -1},
                                                      20,
                                                      24,
                                                      12,
                                                      16,
                                                      8},
                                           LayoutCase{DfType::CEDV,
                                                      false,
                                                      CalLayout::CedvOwn,
                                                      {21, 23, 25, 27},
                                                      {-1, 12, 13, -1, -1},
                                                      8,
                                                      14,
                                                      0,
                                                      4,
                                                      19},
                                           LayoutCase{DfType::QSPAN,
                                                      false,
                                                      CalLayout::QspanOwn,
                                                      {8, 10, 12, 14},
                                                      {-1, 24, 25, 26, 27},
                                                      19,
                                                      21,
                                                      0,
                                                      4,
                                                      17},
                                           LayoutCase{DfType::CEDV,
                                                      true,
                                                      CalLayout::Mapped,
                                                      {0, 2, 4, 6},
                                                      {-1, 27, 28, 29, -1},
                                                      20,
                                                      24,
                                                      12,
                                                      16,
                                                      -1},
                                           LayoutCase{DfType::QSPAN,
                                                      true,
                                                      CalLayout::Mapped,
                                                      {0, 2, 4, 6},
                                                      {-1, 27, 28, 29, -1},
                                                      20,
                                                      24,
                                                      12,
                                                      16,
                                                      -1}));

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

TEST_F(CalParamTest, StoresAreBigEndianTwosComplement) {
  StoreI16(20, -6400);
  StoreU16(8, 0xA000);
  StoreByte(26, 0xCE);
  StoreF4(12, EncodeF4(-1.0));
  const auto& b = Module().calBuffer;
  EXPECT_EQ(b[20], 0xE7);
  EXPECT_EQ(b[21], 0x00);
  EXPECT_EQ(b[8], 0xA0);
  EXPECT_EQ(b[9], 0x00);
  EXPECT_EQ(b[26], 0xCE);
  EXPECT_EQ((std::vector<uint8_t>{b[12], b[13], b[14], b[15]}),
            (std::vector<uint8_t>{0x81, 0x80, 0x00, 0x00}));
}

TEST(FitsF4, RejectsZeroAndExponentsBeyondTheExponentByte) {
  EXPECT_TRUE(FitsF4(7.5));
  EXPECT_TRUE(FitsF4(-2248203.26));
  EXPECT_FALSE(FitsF4(0.0));
  EXPECT_FALSE(FitsF4(1e300));
  EXPECT_FALSE(FitsF4(1e-300));
  EXPECT_FALSE(FitsF4(std::numeric_limits<double>::quiet_NaN()));
}

TEST_F(CalParamTest, SampleScaleComesFromTheRowOrItsDefault) {
  LoadCCOffsetSampleScale();
  EXPECT_EQ(Module().ccOffsetSampleScale, 64);
  Row("CC Offset Samples").value = "32";
  LoadCCOffsetSampleScale();
  EXPECT_EQ(Module().ccOffsetSampleScale, 32);
}

}  // namespace
}  // namespace gaugecal
