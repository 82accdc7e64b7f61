#pragma once
// Progress of one calibration as a window shows it: the step the gauge is on ("Averaging raw
// samples 3 of 4"), how far along the run is and how long it has taken. The bar's length is
// the sum of the settle waits the sequence is known to make for the action and the gauge's
// family; the bar moves with the clock inside a step and jumps to a step's planned start when
// the step begins, never backwards, and stops short of full until the run ends.

#include <string>

#include "calibration/CalibrationRun.h"
#include "device/ModuleState.h"

namespace gaugecal::panel {

struct ProgressView {
  bool busy = false;
  std::string step;  // empty before the first step
  int permille = 0;  // 0 .. 1000
  double elapsedMs = 0.0;
};

// The step as the status bar says it.
std::string StepText(const StepReport& report);

class CalibrationProgress {
 public:
  static constexpr int kFull = 1000;
  static constexpr int kMostBeforeEnd = 990;

  // Every action enters, averages, writes and leaves: the family and the samples decide.
  void Begin(DfType family, int rawSamples, double nowMs);
  void Report(const StepReport& report, double nowMs);
  void End();
  bool Busy() const { return busy_; }
  ProgressView View(double nowMs);

  // The planned waits in milliseconds: the whole run, and where the step begins.
  double PlannedMs() const { return plannedMs_; }
  double PlannedStartMs(const StepReport& report) const;

 private:
  bool busy_ = false;
  DfType family_ = DfType::RN44K18;
  int samples_ = 0;
  bool writes_ = true;
  double plannedMs_ = 0.0;
  double startMs_ = 0.0;
  double stepAtMs_ = 0.0;       // when the current step began
  double stepPlannedMs_ = 0.0;  // where it begins on the plan
  double stepLengthMs_ = 0.0;   // and how long the plan gives it
  std::string step_;
  int shown_ = 0;  // the bar never goes back within a run
};

}  // namespace gaugecal::panel
