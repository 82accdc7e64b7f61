// Manufacturer access answers of the simulated gauges: what 0x23 and a word read of the
// manufacturer access register give after each subcommand, for every family.

#include <gtest/gtest.h>

#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

const DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};

TEST(SimMac, StatusBlocksCarryTheSecurityModeAndTheCalibrationBit) {
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(family);
    const auto& id = h.Gauge().Settings().identification;
    EXPECT_EQ(h.MacBlock(0x0001), (std::vector<uint8_t>{id[1], id[0]})) << "device type LE";
    for (auto mode :
         {sim::SecurityMode::Sealed, sim::SecurityMode::Unsealed, sim::SecurityMode::FullAccess}) {
      h.Gauge().SetSecurity(mode);
      const auto status = h.MacBlock(0x0054);
      ASSERT_EQ(status.size(), 4u);
      EXPECT_EQ(status[1] & 3, static_cast<int>(mode));
    }
    const auto manufacturing = h.MacBlock(0x0057);
    ASSERT_EQ(manufacturing.size(), 2u);
    EXPECT_EQ(manufacturing[1] & 0x80, 0);
  }
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.calibrationMode = true;
  SimBench h(s);
  EXPECT_EQ(h.MacBlock(0x0057).at(1) & 0x80, 0x80);
}

TEST(SimMac, WordReadOfTheAccessRegisterGivesTheFirstTwoBytesOfTheAnswer) {
  SimBench h(DfType::RN44K18);
  h.Gauge().SetSecurity(sim::SecurityMode::Sealed);
  h.Mac(0x0054);
  EXPECT_EQ(h.Word(0x00), 0x0306) << "byte 0 low, byte 1 (security 3) high";
  h.Mac(0x0001);
  EXPECT_EQ(h.Word(0x00), 0x0A05);
  h.Mac(0x4321);
  EXPECT_EQ(h.Word(0x00), 0x4321) << "a subcommand without data echoes itself";
  EXPECT_EQ(h.Block(0x23), (std::vector<uint8_t>{0x21, 0x43}));
}

TEST(SimMac, DisplayGroupsDecodeWithTheToolsTables) {
  for (DfType family : kFamilies) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(family);
    h.Gauge().Settings().noiseCounts = 0;
    InitDisplayTables();
    const sim::Reported r = h.Gauge().ReportedNow();

    const auto volts = h.MacBlock(0x71);
    ASSERT_EQ(volts.size(), 12u);
    for (int16_t row = 0; row < 6; ++row)
      DecodeMODRow(kLiveVoltages, row, volts);
    const auto& v = Module().LiveTable[kLiveVoltages].items;
    const int cells = h.Gauge().Settings().cells;
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(v[i].value, std::to_string(r.cellMv[i]));
      EXPECT_EQ(r.cellMv[i] == 0, static_cast<int>(i) >= cells) << "cell " << i + 1;
    }
    EXPECT_EQ(v[4].value, std::to_string(r.batteryMv));
    EXPECT_EQ(v[5].value, std::to_string(r.packMv));
    EXPECT_EQ(h.Word(0x09), r.batteryMv);
    EXPECT_EQ(h.Word(0x5A), r.packMv);

    const auto temps = h.MacBlock(0x72);
    ASSERT_EQ(temps.size(), 14u);
    for (size_t i = 0; i < 5; ++i)
      EXPECT_EQ(Le16(temps, 2 * i), r.temperatureDeciK[i]);
    EXPECT_EQ(Le16(temps, 10), r.temperatureDeciK[1]) << "cell temperature from TS1";
    EXPECT_EQ(Le16(temps, 12), r.temperatureDeciK[2]) << "FET temperature from TS2";
    EXPECT_EQ(h.Word(0x5E), r.temperatureDeciK[2]);
  }
}

TEST(SimMac, CellVoltageCommandsOfBothSetsReportTheSameCells) {
  SimBench h(DfType::QSPAN);
  h.Gauge().Settings().noiseCounts = 0;
  const sim::Reported r = h.Gauge().ReportedNow();
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(h.Word(0x3F - n), r.cellMv[static_cast<size_t>(n)]);
    EXPECT_EQ(h.Word(0x3B - n), r.cellMv[static_cast<size_t>(n)]);
  }
}

TEST(SimMac, TheStandardTemperatureFollowsTheSensorMapping) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench h(family);
    h.Gauge().Settings().noiseCounts = 0;
    const sim::Reported r = h.Gauge().ReportedNow();
    ASSERT_NE(r.temperatureDeciK[0], r.temperatureDeciK[1]);
    EXPECT_EQ(h.Word(0x08), r.temperatureDeciK[1]) << "TS1 by default";
    // Clear bits 3, 4 and 6 of the second system configuration byte, as the panel does to
    // read the internal sensor through 0x08.
    h.Mac(0x0102);
    auto row = h.Block(0x2F);
    row[1] &= 0xA7;
    EXPECT_EQ(h.WriteBlock(0x2F, row), 0);
    EXPECT_EQ(h.Word(0x08), r.temperatureDeciK[0]);
    EXPECT_EQ(h.Gauge().Flash().ConfiguredCells(), h.Gauge().Settings().cells)
        << "the cell bits are untouched";
  }
}

TEST(SimMac, CalibrationImageSubcommandShowsTheCalibrationArea) {
  struct Case {
    DfType family;
    size_t length;
  };
  for (const Case& c : {Case{DfType::CEDV, 29}, Case{DfType::QSPAN, 32}, Case{DfType::RN44K18, 32},
                        Case{DfType::CEDV_PLUS, 32}}) {
    SimBench h(c.family);
    const auto& flash = h.Gauge().Flash().Bytes();
    EXPECT_EQ(h.MacBlock(0x82), std::vector<uint8_t>(flash.begin(), flash.begin() + c.length))
        << DfTypeName(c.family);
  }
}

TEST(SimMac, TheAccessRegisterCanMove) {
  sim::Scenario s = sim::DefaultScenario(DfType::CEDV_PLUS);
  s.mac.accessRegister = 0x44;
  SimBench h(s);
  EXPECT_NE(h.WriteWord(0x00, 0x0054), 0) << "0x00 is no longer the access register";
  EXPECT_EQ(h.WriteWord(0x44, 0x0054), 0);
  EXPECT_EQ(h.Block(0x23).size(), 4u);
  EXPECT_EQ(h.Word(0x44), 0x0206);
}

}  // namespace
}  // namespace gaugecal::test
