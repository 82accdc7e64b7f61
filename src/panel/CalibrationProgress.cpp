#include "panel/CalibrationProgress.h"

#include <algorithm>

#include "device/SettleTimes.h"

namespace gaugecal::panel {

namespace {

// The calibration area is refreshed at entry and at exit with a wait before and after.
constexpr double kAreaRefreshMs = 30.0;
constexpr double kEnteringMs =
    kAreaRefreshMs + settle::kAfterCalModeOrExitMs + settle::kAfterNeutralBeforeRawMs;
constexpr double kBeforeFirstSampleMs =
    settle::kBeforeFirstRawBlockHostMs + settle::kBeforeFirstRawBlockWaitMs;
constexpr double kLeavingMs = settle::kAfterCalModeOrExitMs + kAreaRefreshMs;
constexpr int kCalRows = 2;
constexpr int kCedvPages = 2;
constexpr double kMsPerSecond = 1000.0;

// The waits of one write of the calibration area, by how the family stores it.
double WritingMs(DfType family) {
  switch (family) {
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      return kCalRows * (settle::kAfterExitBeforeRowWriteMs + settle::kAfterRowWriteMs);
    case DfType::QSPAN:
      return settle::kAfterSubclassSelectMs + settle::kAfterSubclassWriteMs;
    case DfType::CEDV:
      break;
  }
  return settle::kAfterExitBeforePageWriteMs +
         kCedvPages * settle::kDataFlashWriteWaitS * kMsPerSecond;
}

}  // namespace

std::string StepText(const StepReport& report) {
  switch (report.step) {
    case LongStep::EnteringCalibrationMode:
      return "Entering calibration mode";
    case LongStep::AveragingRawSamples:
      return "Averaging raw samples " + std::to_string(report.sample) + " of " +
             std::to_string(report.samples);
    case LongStep::WritingDataFlash:
      return "Writing data flash";
    case LongStep::LeavingCalibrationMode:
      break;
  }
  return "Leaving calibration mode";
}

void CalibrationProgress::Begin(DfType family, int rawSamples, double nowMs) {
  busy_ = true;
  family_ = family;
  samples_ = std::max(rawSamples, 1);
  plannedMs_ = kEnteringMs + kBeforeFirstSampleMs + samples_ * settle::kBetweenRawBlocksMs +
               WritingMs(family) + kLeavingMs;
  startMs_ = nowMs;
  stepAtMs_ = nowMs;
  stepPlannedMs_ = 0.0;
  stepLengthMs_ = kEnteringMs;
  step_.clear();
  shown_ = 0;
}

double CalibrationProgress::PlannedStartMs(const StepReport& report) const {
  const double averaging = kEnteringMs;
  const double writing = averaging + kBeforeFirstSampleMs + samples_ * settle::kBetweenRawBlocksMs;
  switch (report.step) {
    case LongStep::EnteringCalibrationMode:
      return 0.0;
    case LongStep::AveragingRawSamples:
      if (report.sample <= 1)
        return averaging;
      return averaging + kBeforeFirstSampleMs +
             std::min(report.sample - 1, samples_) * settle::kBetweenRawBlocksMs;
    case LongStep::WritingDataFlash:
      return writing;
    case LongStep::LeavingCalibrationMode:
      break;
  }
  return writing + WritingMs(family_);
}

void CalibrationProgress::Report(const StepReport& report, double nowMs) {
  if (!busy_)
    return;
  step_ = StepText(report);
  stepAtMs_ = nowMs;
  stepPlannedMs_ = PlannedStartMs(report);
  switch (report.step) {
    case LongStep::EnteringCalibrationMode:
      stepLengthMs_ = kEnteringMs;
      break;
    case LongStep::AveragingRawSamples:
      stepLengthMs_ = settle::kBetweenRawBlocksMs + (report.sample <= 1 ? kBeforeFirstSampleMs : 0);
      break;
    case LongStep::WritingDataFlash:
      stepLengthMs_ = WritingMs(family_);
      break;
    case LongStep::LeavingCalibrationMode:
      stepLengthMs_ = kLeavingMs;
      break;
  }
}

void CalibrationProgress::End() {
  busy_ = false;
  shown_ = kFull;
}

ProgressView CalibrationProgress::View(double nowMs) {
  ProgressView view;
  view.busy = busy_;
  view.step = step_;
  view.elapsedMs = std::max(nowMs - startMs_, 0.0);
  if (busy_ && plannedMs_ > 0.0) {
    const double along = stepPlannedMs_ + std::clamp(nowMs - stepAtMs_, 0.0, stepLengthMs_);
    const int permille = static_cast<int>(along * kFull / plannedMs_);
    shown_ = std::max(shown_, std::min(permille, kMostBeforeEnd));
  }
  view.permille = shown_;
  return view;
}

}  // namespace gaugecal::panel
