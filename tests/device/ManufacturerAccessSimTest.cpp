// Manufacturer access end to end through the simulated gauges: the calibration-mode flag
// across entry, a refused entry and exit; the raw-output requests of the families without a
// mode switch; the live display groups.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "support/SimBench.h"

namespace gaugecal {
namespace {

using test::SimBench;
using Steps = std::vector<std::string>;

TEST(CalModeSim, TheFlagFollowsTheGaugeAcrossEntryAndExit) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench bench(family);
    ASSERT_FALSE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_TRUE(Module().calModeFlag);
    EXPECT_TRUE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:002D"), 1);

    // Already in calibration mode: the second entry only looks.
    bench.ClearTrace();
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:002D"), 0);

    // The exit subcommand ends the raw stream; the flag stays, as does the gauge's mode.
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_EQ(bench.Transfers(), Steps{"MAC:F080"});
    EXPECT_TRUE(Module().calModeFlag);
  }
}

TEST(CalModeSim, ASealedGaugeRefusesTheSwitchAndTheFlagClears) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = sim::DefaultScenario(family);
    s.security = sim::SecurityMode::Sealed;
    SimBench bench(s);
    Module().calModeFlag = true;  // left over from an earlier gauge
    EXPECT_EQ(EnsureCalMode(), 1);
    EXPECT_FALSE(Module().calModeFlag);
    EXPECT_FALSE(bench.Gauge().CalibrationMode());
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_TRUE(bench.Steps().empty());
  }
}

TEST(CalModeSim, AGaugeThatStartsInCalibrationModeIsNotSwitchedOff) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    sim::Scenario s = sim::DefaultScenario(family);
    s.calibrationMode = true;
    SimBench bench(s);
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_TRUE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:002D"), 0);
  }
}

TEST(RawOutputSim, FamiliesWithoutAModeSwitchStreamBothKinds) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    SCOPED_TRACE(DfTypeName(family));
    SimBench bench(family);
    EXPECT_EQ(StartRawCalOutput(), 0);
    EXPECT_EQ(RefreshRawCalGroup(), 0);
    EXPECT_EQ(Module().LiveTable[kLiveRawCal].items[1].value, "1");
    EXPECT_EQ(StartOffsetCalOutput(), 0);
    EXPECT_EQ(RefreshRawCalGroup(), 0);
    EXPECT_EQ(Module().LiveTable[kLiveRawCal].items[1].value, "2");
    EXPECT_TRUE(bench.Messages().empty());
  }
}

TEST(RawOutputSim, OutsideCalibrationModeTheRowGaugesAnswerNoRawBlock) {
  SimBench bench(DfType::RN44K18);
  EXPECT_EQ(StartRawCalOutput(), 1);
  EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:F081"), 1 + 11);
  EXPECT_EQ(StartOffsetCalOutput(), 1);
  EXPECT_EQ(RefreshRawCalGroup(), 1);
}

TEST(DisplayGroupsSim, LiveGroupsShowWhatTheGaugeReports) {
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.noiseCounts = 0;
  s.currentMa = -1500;
  SimBench bench(s);
  EXPECT_EQ(RefreshMODGroups(), 0);
  const sim::Reported now = bench.Gauge().ReportedNow();
  const auto& live = Module().LiveTable;
  EXPECT_EQ(live[kLiveVoltages].items[0].value, std::to_string(now.cellMv[0]));
  EXPECT_EQ(live[kLiveVoltages].items[3].value, std::to_string(now.cellMv[3]));
  EXPECT_EQ(live[kLiveVoltages].items[5].value, std::to_string(now.packMv));
  EXPECT_EQ(live[kLiveCurrent].items[0].value, std::to_string(now.currentMa));
  EXPECT_NE(now.currentMa, 0);
  const double celsius = (now.temperatureDeciK[0] - 2732) / 10.0;
  char text[16];
  std::snprintf(text, sizeof text, "%04.1f", celsius);
  EXPECT_EQ(live[kLiveTemperatures].items[0].value, text);
}

TEST(SecurityModeSim, ReadsEachModeOfTheGauge) {
  for (auto mode :
       {sim::SecurityMode::Sealed, sim::SecurityMode::Unsealed, sim::SecurityMode::FullAccess}) {
    sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
    s.security = mode;
    SimBench bench(s);
    int16_t read = 0;
    EXPECT_EQ(ReadSecurityMode(read), 0);
    EXPECT_EQ(read, static_cast<int16_t>(mode));
  }
}

}  // namespace
}  // namespace gaugecal
