// All five calibrations in a technician's order on each family's built-in gauge (converter
// errors and noise included): every one succeeds, and afterwards the gauge reports the
// references. With the map on, CEDV and QSPAN gauges keep their calibration area in the
// RN44K18 layout and have no pack gain to calibrate. bench_accuracy measures the same over many
// seeded gauges.

#include <gtest/gtest.h>

#include <cmath>

#include "CalRig.h"
#include "calibration/CalParameters.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

struct LoopCase {
  DfType family;
  bool map;
};

class ClosedLoopTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(ClosedLoopTest, GaugeReportsTheReferencesAfterwards) {
  const LoopCase c = GetParam();
  const bool own = c.family == DfType::CEDV || c.family == DfType::QSPAN;
  sim::Scenario scenario = sim::DefaultScenario(c.family);
  scenario.rowLayout = c.map && own;
  CalConfig config = FamilyConfig(c.family);
  config.UseDataflashMap = c.map;
  CalRig rig(scenario, config);
  for (CalibrationAction action :
       {CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
        CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
        CalibrationAction::PackCurrent}) {
    if (action == CalibrationAction::PackVoltage && scenario.rowLayout)
      continue;
    ASSERT_EQ(rig.Run(rig.ReferenceRequest(action)), 0)
        << static_cast<int>(action) << ": " << rig.Messages().front();
  }
  ASSERT_TRUE(rig.Messages().empty());

  const sim::Reported r = rig.Gauge().ReportedNow();
  double stack = 0.0;
  for (int i = 0; i < scenario.cells; ++i) {
    stack += scenario.cellMv[static_cast<size_t>(i)];
    EXPECT_NEAR(r.cellMv[static_cast<size_t>(i)], scenario.cellMv[static_cast<size_t>(i)], 1.5)
        << "cell " << i + 1;
  }
  if (!scenario.rowLayout) {
    EXPECT_NEAR(r.packMv, stack, stack * 0.001);
  }
  EXPECT_NEAR(r.batteryMv, stack, stack * 0.001);
  EXPECT_NEAR(r.currentMa, -2000.0, 2000.0 * 0.002);
  // Sensors this family calibrates (CEDV and QSPAN have no internal offset).
  for (size_t i = own ? 1 : 0; i < 3; ++i) {
    EXPECT_NEAR(r.temperatureDeciK[i] / 10.0 - 273.2, scenario.temperatureC[i], 0.15)
        << "sensor " << i;
  }
  // What the gauge subtracts from the counter now matches its offsets within a count.
  const double scale = Module().ccOffsetSampleScale;
  const double subtracted =
      (rig.Param(own && !c.map ? "CC Offset" : "Current Offset") + rig.Param("Board Offset")) /
      scale;
  EXPECT_NEAR(subtracted, scenario.ccOffsetCounts + scenario.boardOffsetCounts, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Families, ClosedLoopTest,
    ::testing::Values(LoopCase{DfType::CEDV, false}, LoopCase{DfType::QSPAN, false},
                      LoopCase{DfType::RN44K18, false}, LoopCase{DfType::CEDV_PLUS, false},
                      LoopCase{DfType::RN44K18, true}, LoopCase{DfType::CEDV_PLUS, true},
                      LoopCase{DfType::CEDV, true}, LoopCase{DfType::QSPAN, true}));

// With the map on, CEDV and QSPAN write group 0's rows where the location keys put them: here
// the TS1 and TS2 offsets moved onto the CEDV gauge's "Temp Offset" and "Aux Temp Offset".
TEST(DataFlashMap, TemperatureOffsetsGoWhereTheMapPutsThem) {
  CalConfig config = FamilyConfig(DfType::CEDV);
  config.UseDataflashMap = true;
  CalRig rig(ExactScenario(DfType::CEDV), config);
  for (DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
    if (item.key == "ExtTS1")
      item.position = "12";
    if (item.key == "ExtTS2")
      item.position = "13";
  }
  auto request = TemperatureRequest(1, 26.0, 25.0);
  request.temps.Actual[2] = 24.0;
  request.temps.Measured[2] = 25.0;
  rig.Expect(request, {{12, {0x0A}}, {13, {0xF6}}});
}

}  // namespace
}  // namespace gaugecal::test
