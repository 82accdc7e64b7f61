// A known current for a known time through every family's simulated gauge: the charge it adds
// up (0x0F, mAh) follows the capacity gain, so after a current calibration the charge is right
// only when the capacity gain was derived correctly too.

#include <gtest/gtest.h>

#include <cmath>

#include "CalRig.h"

namespace gaugecal::test {
namespace {

TEST(CapacityGain, ChargeAfterACurrentCalibrationIsCurrentTimesTime) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = ExactScenario(family);
    s.senseResistorMilliohm *= 1.03;
    CalRig rig(s);
    const auto hourAt = [&rig](double ma) {  // the charge the gauge reports for one hour
      rig.Gauge().Settings().currentMa = ma;
      const double start = rig.Word(0x0F);
      rig.platform.PassTime(3600000.0);
      return rig.Word(0x0F) - start;
    };
    EXPECT_GT(std::fabs(hourAt(1500.0) - 1500.0), 30.0);  // 3 % off before
    for (CalibrationAction action : {CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
                                     CalibrationAction::PackCurrent})
      ASSERT_EQ(rig.Run(rig.ReferenceRequest(action)), 0);
    EXPECT_NEAR(hourAt(1500.0), 1500.0, 1.5);
    EXPECT_NEAR(hourAt(-1500.0), -1500.0, 1.5);
  }
}

}  // namespace
}  // namespace gaugecal::test
