// The progress a calibration shows: the steps in the order the gauge goes through them, a bar
// that only moves forward and is full only at the end, the planned length from the settle
// waits, and nothing busy before or after.

#include <gtest/gtest.h>

#include <algorithm>

#include "PanelRig.h"
#include "panel/CalibrationProgress.h"
#include "session/DemoSession.h"

namespace gaugecal::test {
namespace {

using panel::CalibrationProgress;
using panel::ProgressView;

TEST(CalibrationProgress, StepsBarAndElapsedTimeOfAVoltageCalibration) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    PanelRig rig(family);
    ASSERT_EQ(rig.Start(), panel::StartupOutcome::Ready);
    EXPECT_FALSE(rig.panel.Progress().busy);
    rig.C().chkUpdates.SetChecked(true);
    rig.panel.tmrScan_Timer();  // the measured boxes filled as the scan fills them
    // What the window hears at every step, and what it sees polling every 10 ms while the
    // gauge is waited for, during the demo's voltage and temperature calibration.
    std::vector<ProgressView> told;
    rig.panel.SetProgressObserver([&](const ProgressView& v) { told.push_back(v); });
    std::vector<ProgressView> seen;
    const int timer = rig.platform.StartTimer(10, [&] {
      if (rig.panel.Progress().busy)
        seen.push_back(rig.panel.Progress());
    });
    const double start = rig.platform.ClockMs();
    const session::DemoStep done =
        session::RunDemoStep(rig.panel, rig.Gauge(), CalibrationAction::VoltageTemperature);
    rig.platform.StopTimer(timer);
    ASSERT_TRUE(done.done) << ::testing::PrintToString(rig.Messages());

    ASSERT_GE(told.size(), 3U);
    EXPECT_FALSE(told.back().busy);
    told.pop_back();
    std::vector<std::string> steps;
    for (const ProgressView& v : told) {
      EXPECT_TRUE(v.busy);
      if (!v.step.empty() && (steps.empty() || steps.back() != v.step))
        steps.push_back(v.step);
    }
    const int samples = Module().calConfig.NumSamples;
    std::vector<std::string> expected = {"Entering calibration mode"};
    for (int s = 1; s <= samples; ++s)
      expected.push_back("Averaging raw samples " + std::to_string(s) + " of " +
                         std::to_string(samples));
    expected.insert(expected.end(), {"Writing data flash", "Leaving calibration mode"});
    // Each expected step is seen, in this order (a resend round may repeat the averaging).
    auto at = steps.begin();
    for (const std::string& step : expected) {
      at = std::find(at, steps.end(), step);
      EXPECT_NE(at, steps.end()) << step;
    }
    ASSERT_GE(seen.size(), 2U);
    seen.insert(seen.end(), told.begin(), told.end());
    std::stable_sort(seen.begin(), seen.end(), [](const ProgressView& a, const ProgressView& b) {
      return a.elapsedMs < b.elapsedMs;
    });
    for (size_t i = 1; i < seen.size(); ++i)
      EXPECT_GE(seen[i].permille, seen[i - 1].permille) << seen[i].step;
    EXPECT_LE(seen.back().permille, CalibrationProgress::kMostBeforeEnd);
    EXPECT_GT(seen.back().permille, CalibrationProgress::kFull / 2);
    EXPECT_LE(seen.back().elapsedMs, rig.platform.ClockMs() - start);
    const ProgressView after = rig.panel.Progress();
    EXPECT_FALSE(after.busy);
    EXPECT_EQ(after.permille, CalibrationProgress::kFull);
    EXPECT_FALSE(Module().onStep) << "nobody follows the steps between calibrations";
  }
}

// The plan: each step starts later than the one before, the averaging by one wait between
// raw blocks per sample, and the bar stops at a step's planned end when the step overruns.
TEST(CalibrationProgress, PlanFromTheSettleWaits) {
  CalibrationProgress p;
  p.Begin(DfType::QSPAN, 4, 1000.0);
  const StepReport order[] = {
      {LongStep::EnteringCalibrationMode},   {LongStep::AveragingRawSamples, 1, 4},
      {LongStep::AveragingRawSamples, 2, 4}, {LongStep::AveragingRawSamples, 4, 4},
      {LongStep::WritingDataFlash},          {LongStep::LeavingCalibrationMode}};
  for (size_t i = 1; i < std::size(order); ++i)
    EXPECT_GT(p.PlannedStartMs(order[i]), p.PlannedStartMs(order[i - 1])) << i;
  EXPECT_DOUBLE_EQ(p.PlannedStartMs(order[3]) - p.PlannedStartMs(order[2]), 200.0);
  EXPECT_LT(p.PlannedStartMs(order[5]), p.PlannedMs());
  p.Report(order[4], 1000.0);
  const int atWrite = p.View(1000.0).permille;
  EXPECT_EQ(atWrite, static_cast<int>(p.PlannedStartMs(order[4]) * 1000 / p.PlannedMs()));
  const int overrun = p.View(1'000'000.0).permille;
  EXPECT_EQ(overrun, static_cast<int>(p.PlannedStartMs(order[5]) * 1000 / p.PlannedMs()));
  p.Report(order[1], 1'000'001.0);  // a second averaging later on: the bar stays
  EXPECT_EQ(p.View(1'000'001.0).permille, overrun);
  EXPECT_EQ(p.View(1'000'001.0).step, "Averaging raw samples 1 of 4");
  EXPECT_DOUBLE_EQ(p.View(1'000'001.0).elapsedMs, 999'001.0);
}

}  // namespace
}  // namespace gaugecal::test
