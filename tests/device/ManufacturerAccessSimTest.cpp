// Manufacturer access end to end through the simulated gauges: the bus sequences and the
// calibration-mode flag across entry, a refused entry and exit; the raw-output requests of the
// families without a mode switch; the live display groups.

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

struct CalModeCase {
  DfType family;
  Steps look;     // what an entry sends when the gauge is already in calibration mode
  Steps enter;    // an entry that switches once
  Steps refused;  // an entry a sealed gauge refuses
};

const CalModeCase kCalModeCases[] = {
    {DfType::RN44K18,
     {"CFE", "MAC:0057", "S:3", "S:5", "RB:23"},
     {"CFE", "MAC:0057", "S:3", "S:5", "RB:23", "MAC:002D", "S:3", "S:50", "MAC:0057", "S:3", "S:5",
      "RB:23"},
     {"CFE", "MAC:0057", "S:3", "S:5", "RB:23", "MAC:002D", "S:3", "S:50", "MAC:0057", "S:3", "S:5",
      "RB:23"}},
    {DfType::CEDV_PLUS,
     {"CFE", "RW:74", "RW_:74"},
     {"CFE", "RW:74", "RW_:74", "MAC:002D", "S:3", "S:50", "RW_:74"},
     {"CFE", "RW:74", "RW_:74", "MAC:002D", "S:3", "S:50", "RW_:74", "MAC:002D", "S:3", "S:50",
      "RW_:74"}},
};

TEST(CalModeSim, TheFlagFollowsTheGaugeAcrossEntryAndExit) {
  for (const CalModeCase& c : kCalModeCases) {
    SCOPED_TRACE(DfTypeName(c.family));
    SimBench bench(c.family);
    ASSERT_FALSE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_TRUE(Module().calModeFlag);
    EXPECT_TRUE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(bench.Steps(), c.enter);

    // Already in calibration mode: the second entry only looks.
    bench.ClearTrace();
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_EQ(bench.Steps(), c.look);

    // The exit subcommand ends the raw stream; the flag stays, as does the gauge's mode.
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_EQ(bench.Steps(), (Steps{"MAC:F080", "S:3", "S:50"}));
    EXPECT_TRUE(Module().calModeFlag);
  }
}

TEST(CalModeSim, ASealedGaugeRefusesTheSwitchAndTheFlagClears) {
  for (const CalModeCase& c : kCalModeCases) {
    SCOPED_TRACE(DfTypeName(c.family));
    sim::Scenario s = sim::DefaultScenario(c.family);
    s.security = sim::SecurityMode::Sealed;
    SimBench bench(s);
    Module().calModeFlag = true;  // left over from an earlier gauge
    EXPECT_EQ(EnsureCalMode(), 1);
    EXPECT_EQ(bench.Steps(), c.refused);
    EXPECT_FALSE(Module().calModeFlag);
    EXPECT_FALSE(bench.Gauge().CalibrationMode());
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_TRUE(bench.Steps().empty());
  }
}

TEST(CalModeSim, AGaugeThatStartsInCalibrationModeIsNotSwitchedOff) {
  for (const CalModeCase& c : kCalModeCases) {
    sim::Scenario s = sim::DefaultScenario(c.family);
    s.calibrationMode = true;
    SimBench bench(s);
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_TRUE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(bench.Steps(), c.look);
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

}  // namespace
}  // namespace gaugecal
