// The calibration-mode flag says what the gauge is in. A coulomb counter offset calibration
// that succeeded, then a board offset calibration whose first calibration-row read at entry is
// refused: leaving after the failed entry must not toggle the gauge back into calibration
// mode. With a page to show (the measurements hook), CEDV_PLUS reads a raw block at exit,
// which needs calibration mode; the gauge leaves it again.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "calibration/DeviceMeasurements.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

TEST(CalibrationModeFlag, FailedEntryAfterASuccessfulCalibrationLeavesTheGaugeOutOfTheMode) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool page : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (page ? " with a page" : ""));
      SessionHooks hooks;
      if (page)
        hooks.measurementsRead = [](const DeviceMeasurements&) {};
      const auto run = [&hooks](CalibrationAction action) {
        CalibrationRequest request = Request(action);
        return RunCalibration(request, hooks);
      };
      sim::Scenario s = ExactScenario(family);
      long rowReads = 0;  // before the board offset calibration
      {
        CalRig clean(s);
        ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
        rowReads = CountSteps(clean.Transfers(), "RB:2F");
      }
      s.faults.push_back({.kind = sim::FaultKind::Nack,
                          .member = "ReadSMBusBlock_",
                          .command = 0x2F,
                          .occurrence = static_cast<int>(rowReads) + 1});
      CalRig rig(s);
      ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
      EXPECT_FALSE(rig.Gauge().CalibrationMode());
      EXPECT_FALSE(Module().calModeFlag);
      const auto area = rig.CalArea();
      EXPECT_EQ(run(CalibrationAction::BoardOffset), 1);
      EXPECT_EQ(rig.Messages(),
                (std::vector<std::string>{
                    "Error reading calibration Dataflash.  Please check communications. "
                    "Calibration not completed.",
                    "Error entering calibration mode.  Please check communications with device."}));
      EXPECT_FALSE(rig.Gauge().CalibrationMode());
      EXPECT_FALSE(Module().calModeFlag);
      EXPECT_EQ(rig.CalArea(), area);
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
