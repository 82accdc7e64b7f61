// Coulomb counter offset and board offset through the simulated gauge: the stored two's
// complement bytes of each family, the count ranges, the block kind each accepts, and a sample
// scale whose product does not fit.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "calibration/CalibrationSession.h"
#include "device/ModuleState.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

constexpr const char* kCurrentFlowing =
    "Current is flowing in sense resistor.  Please ensure no current is flowing. Coulomb Counter "
    "Offset Calibration will abort.";
constexpr const char* kLargeCurrent =
    "A large amount of current is flowing. This calibration is for board offset only. Board "
    "Offset Calibration will abort.";

std::vector<uint8_t> Be16(int v) {
  return {static_cast<uint8_t>((v >> 8) & 0xFF), static_cast<uint8_t>(v & 0xFF)};
}

size_t CCOffsetByte(DfType family) {
  return family == DfType::CEDV ? 8 : family == DfType::QSPAN ? 19 : 20;
}

size_t BoardOffsetByte(DfType family) {
  return family == DfType::CEDV ? 14 : family == DfType::QSPAN ? 21 : 24;
}

sim::Scenario WithCounterOffsets(DfType family, double cc, double board) {
  sim::Scenario s = ExactScenario(family);
  s.ccOffsetCounts = cc;
  s.boardOffsetCounts = board;
  s.currentMa = 0.0;
  return s;
}

// -100 counts x 64 = -6400 = 0xE700; the board offset then reads 2 counts at no load:
// 2 x 64 - (-6400) = 6528 = 0x1980.
TEST(OffsetCalibration, EachFamilyStoresTheScaledCountsInItsOwnRows) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    CalRig rig(WithCounterOffsets(family, -100, 102));
    rig.Expect(Request(CalibrationAction::CCOffset), {{CCOffsetByte(family), {0xE7, 0x00}}});
    rig.Expect(Request(CalibrationAction::BoardOffset), {{BoardOffsetByte(family), {0x19, 0x80}}});
  }
}

// CC offset counts from -450 to -5 and board offset counts within plus or minus 300.
TEST(OffsetCalibration, CountRangesAreInclusive) {
  struct Case {
    CalibrationAction action;
    int count;
    const char* refused;  // nullptr: accepted
  } cases[] = {
      {CalibrationAction::CCOffset, -451, kCurrentFlowing},
      {CalibrationAction::CCOffset, -450, nullptr},
      {CalibrationAction::CCOffset, -5, nullptr},
      {CalibrationAction::CCOffset, -4, kCurrentFlowing},
      {CalibrationAction::BoardOffset, -301, kLargeCurrent},
      {CalibrationAction::BoardOffset, -300, nullptr},
      {CalibrationAction::BoardOffset, 300, nullptr},
      {CalibrationAction::BoardOffset, 301, kLargeCurrent},
  };
  for (const Case& c : cases) {
    const bool cc = c.action == CalibrationAction::CCOffset;
    SCOPED_TRACE(std::string(cc ? "CC " : "board ") + std::to_string(c.count));
    sim::Scenario s = WithCounterOffsets(DfType::RN44K18, cc ? c.count : 0, cc ? 0 : c.count);
    s.parameters = {{"Current Offset", 0}};
    CalRig(s).Expect(Request(c.action), {{cc ? 20U : 24U, Be16(c.count * 64)}},
                     c.refused ? std::vector<std::string>{c.refused} : std::vector<std::string>{});
  }
}

// A sample scale that makes the product overflow 16 bits fails before any data flash access.
TEST(OffsetSampleScale, ProductBeyondSixteenBitsWritesNothing) {
  sim::Scenario s = WithCounterOffsets(DfType::RN44K18, -450, 0);
  s.parameters = {{"CC Offset Samples", 100}};
  CalRig rig(s);
  ASSERT_EQ(Module().ccOffsetSampleScale, 100);
  rig.Expect(Request(CalibrationAction::CCOffset), {},
             {"The offset count of -450 times CC Offset Samples of 100 does "
              "not fit a signed 16-bit Dataflash value.  Coulomb Counter "
              "Offset Calibration will abort."});

  // The board offset: 300 x 64 - (-20000) = 39200.
  sim::Scenario b = WithCounterOffsets(DfType::RN44K18, 0, 300);
  b.parameters = {{"Current Offset", -20000}};
  CalRig(b).Expect(Request(CalibrationAction::BoardOffset), {},
                   {"The offset count of 300 times CC Offset Samples of 64 does not fit a signed "
                    "16-bit Dataflash value.  Board Offset Calibration will abort."});
}

// Each calibration accepts only its own kind of raw block.
TEST(OffsetBlocks, EachCalibrationRefusesTheOtherKindOfRawOutput) {
  CalRig cc(WithCounterOffsets(DfType::RN44K18, -100, 0));
  const auto ccBefore = cc.CalArea();
  ASSERT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
  EXPECT_EQ(CalibrateCCOffset(), 1);
  EXPECT_EQ(cc.CalArea(), ccBefore);
  EXPECT_EQ(cc.Messages(),
            std::vector<std::string>{"Error reading Raw CC Shorted Calibration Data. Please check "
                                     "connection with gas gauge. Calibration not completed."});
  ExitCalibrationMode();

  CalRig board(WithCounterOffsets(DfType::RN44K18, -100, 0));
  const auto boardBefore = board.CalArea();
  ASSERT_EQ(EnterCalibrationMode(kOffsetRawOutput), 0);
  EXPECT_EQ(CalibrateBoardOffset(), 1);
  EXPECT_EQ(board.CalArea(), boardBefore);
  EXPECT_EQ(
      board.Messages(),
      std::vector<std::string>{"Device is not in raw cal mode before calibrating board offset."});
  ExitCalibrationMode();
}

// RN44K18 entered calibration mode with offset output already; CEDV restarts it itself.
TEST(OffsetBlocks, OnlyCedvAndQspanRequestOffsetOutputInsideTheCalibration) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV}) {
    SCOPED_TRACE(DfTypeName(family));
    CalRig rig(WithCounterOffsets(family, -100, 0));
    ASSERT_EQ(EnterCalibrationMode(kOffsetRawOutput), 0);
    const size_t start = rig.Trace().size();
    ASSERT_EQ(CalibrateCCOffset(), 0);
    const auto trace = rig.Trace();
    int neutral = 0;
    for (size_t i = start; i < trace.size(); ++i) {
      if (trace[i]["op"] == "WriteSMBusWord_" && trace[i].value("word", 0) == 0x0001)
        ++neutral;
    }
    EXPECT_EQ(neutral, family == DfType::CEDV ? 1 : 0);
  }
}

}  // namespace
}  // namespace gaugecal::test
