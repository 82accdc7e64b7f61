// Raw calibration output and calibration mode of the simulated gauges: the 26-byte block and
// its byte order, the rolling counter on virtual time, offset output, the toggling
// calibration-mode subcommand and the rule that 0x23 answers the last subcommand.

#include <gtest/gtest.h>

#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

bool InCalMode(SimBench& h) {
  return (h.MacBlock(0x0057).at(1) & 0x80) != 0;
}

TEST(SimRaw, BlockFieldsAreLittleEndianConverterCounts) {
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.noiseCounts = 0;
  s.cellMv = {4000, 3000, 2000, 1000};
  s.cellError = {};
  s.batteryError = {};
  s.packError = {0.0, 5.0};
  s.packMv = 16000;
  s.currentMa = -2000;
  s.senseResistorMilliohm = 5.0;
  s.ccOffsetCounts = -100;
  s.boardOffsetCounts = 10;
  s.temperatureC = {25.0, 30.0, -5.5, 0.0, 100.0};
  s.temperatureErrorC = {};
  s.calibrationMode = true;
  SimBench h(s);

  const auto b = h.MacBlock(kRaw);
  ASSERT_EQ(b.size(), 26u);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 2)), -4090) << "-2000 mA x 5 mOhm x 0.4 - 100 + 10";
  EXPECT_EQ(Le16(b, 4), 12800);
  EXPECT_EQ(Le16(b, 6), 9600);
  EXPECT_EQ(Le16(b, 8), 6400);
  EXPECT_EQ(Le16(b, 10), 3200);
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 12)), 4000) << "25.0 degC x 160 counts a kelvin";
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 14)), 4800);
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 16)), -880);
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 18)), 0);
  EXPECT_EQ(static_cast<int16_t>(Le16(b, 20)), 16000);
  EXPECT_EQ(Le16(b, 22), 25580) << "16000 mV x 65536 / 41000 + 5: 25575.02 + 5";
  EXPECT_EQ(Le16(b, 24), 14861) << "10000 mV x 65536 / 44100 = 14860.77";

  const auto o = h.MacBlock(kOffsetRaw);
  ASSERT_EQ(o.size(), 26u);
  EXPECT_EQ(o[1], 2);
  EXPECT_EQ(static_cast<int16_t>(Le16(o, 2)), -100) << "inputs shorted: the offset alone";
  EXPECT_EQ(Le16(o, 4), 12800) << "the other channels convert as usual";
}

TEST(SimRaw, RollingCounterAdvancesEveryQuarterSecondOfPlatformTime) {
  SimBench h(DfType::CEDV);
  h.Mac(kRaw);
  const uint8_t first = h.Block(0x23).at(0);
  EXPECT_EQ(h.Block(0x23).at(0), first) << "a read a millisecond later sees the same sample";
  h.platform.Sleep(250);
  EXPECT_EQ(h.Block(0x23).at(0), static_cast<uint8_t>(first + 1));
  h.platform.Sleep(1000);
  EXPECT_EQ(h.Block(0x23).at(0), static_cast<uint8_t>(first + 5));
  h.platform.Sleep(64000);
  EXPECT_EQ(h.Block(0x23).at(0), static_cast<uint8_t>(first + 5)) << "wraps after 256";
  EXPECT_EQ(h.Gauge().RollingCounter(), static_cast<uint8_t>(first + 5));
}

TEST(SimRaw, NoiseChangesWithTheConversionNotWithTheRead) {
  sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
  s.noiseCounts = 50;
  SimBench h(s);
  h.Mac(kRaw);
  const auto a = h.Block(0x23);
  EXPECT_EQ(h.Block(0x23), a);
  h.platform.Sleep(250);
  const auto b = h.Block(0x23);
  EXPECT_NE(std::vector<uint8_t>(a.begin() + 2, a.end()),
            std::vector<uint8_t>(b.begin() + 2, b.end()));
}

TEST(SimRaw, CalibrationModeSubcommandToggles) {
  SimBench rn(DfType::RN44K18);
  EXPECT_FALSE(InCalMode(rn));
  rn.Mac(kCalMode);
  EXPECT_TRUE(InCalMode(rn));
  EXPECT_TRUE(rn.Gauge().CalibrationMode());
  rn.Mac(kCalMode);
  EXPECT_FALSE(InCalMode(rn));

  SimBench plus(DfType::CEDV_PLUS);
  int16_t flag = 0;
  EXPECT_EQ(plus.Link().ReadSMBusWord_(0x74, flag, kGaugeAddress), 0);
  EXPECT_EQ(flag, 0);
  plus.Mac(kCalMode);
  EXPECT_EQ(plus.Link().ReadSMBusWord_(0x74, flag, kGaugeAddress), 0);
  EXPECT_LT(flag, 0) << "the flag is bit 15, the sign of the word";
  plus.Mac(kExit);
  plus.Mac(kCalMode);
  EXPECT_EQ(plus.Word(0x74), 0) << "exit, then the calibration-mode subcommand, leaves";

  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    SimBench h(family);
    h.Mac(kCalMode);
    EXPECT_FALSE(h.Gauge().CalibrationMode()) << DfTypeName(family) << " has no such mode";
  }
}

TEST(SimRaw, ManufacturerDataAnswersTheLastSubcommand) {
  SimBench h(DfType::RN44K18);
  h.Mac(kCalMode);
  EXPECT_EQ(h.MacBlock(kRaw).size(), 26u);
  EXPECT_EQ(h.MacBlock(0x0057).size(), 2u) << "another subcommand takes over 0x23";
  EXPECT_EQ(h.MacBlock(kRaw).size(), 26u) << "the raw subcommand again resumes the stream";
  EXPECT_EQ(h.MacBlock(kExit), (std::vector<uint8_t>{0x80, 0xF0})) << "exit stops the stream";
  EXPECT_TRUE(h.Gauge().CalibrationMode()) << "but leaves calibration mode as it is";
  EXPECT_EQ(h.MacBlock(kOffsetRaw).at(1), 2);
  h.Mac(0x0001);
  EXPECT_EQ(h.Block(0x23).size(), 2u);
}

TEST(SimRaw, TheSubcommandsCanMove) {
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.mac.calMode = 0x0040;
  s.mac.rawOutput = 0x0041;
  s.mac.offsetOutput = 0x0042;
  s.mac.exit = 0x0043;
  SimBench h(s);
  h.Mac(kCalMode);
  EXPECT_FALSE(h.Gauge().CalibrationMode()) << "0x002D is no longer the mode subcommand";
  h.Mac(0x0040);
  EXPECT_TRUE(h.Gauge().CalibrationMode());
  EXPECT_EQ(h.MacBlock(0x0041).at(1), 1);
  EXPECT_EQ(h.MacBlock(0x0042).at(1), 2);
  EXPECT_EQ(h.MacBlock(kRaw).size(), 2u);
  EXPECT_EQ(h.MacBlock(0x0043).size(), 2u);
}

}  // namespace
}  // namespace gaugecal::test
