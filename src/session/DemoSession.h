#pragma once
// A technician's calibration session on a simulated pack, through the calibration panel: the
// pack's true values are the bench references. Start-up, continuous display updates ticked,
// then every calibration the page offers in the order a bench runs them: coulomb counter
// offset and board offset with no load, voltage and temperature, pack voltage, current with a
// 2 A discharge. What the gauge reports against the references, before and after, is averaged
// over several conversions so converter noise is not taken for calibration error.

#include <functional>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "panel/NBCal.h"
#include "session/ActionName.h"
#include "session/BenchCalibration.h"
#include "session/Station.h"

namespace gaugecal::sim {
class SimulatedGauge;
}

namespace gaugecal::session {

constexpr double kDemoCurrentMa = -2000.0;

struct DemoStep {
  CalibrationAction action;
  bool offered = false;  // the panel shows the button for this gauge
  bool done = false;     // the done mark came up
  bool stopped = false;  // the before hook stopped the session: nothing was pressed
};

// Around each calibration the panel offers: before runs once the references are in their
// boxes and before anything is written (false stops the session there); after gets the step.
struct DemoHooks {
  std::function<bool(CalibrationAction)> before;
  std::function<void(const DemoStep&)> after;
};

// One calibration with the pack's true values as the references, when the panel offers it.
DemoStep RunDemoStep(panel::NBCal& panel, sim::SimulatedGauge& gauge, CalibrationAction action,
                     const DemoHooks& hooks = {});

// The same with the references measured by a station's instruments (each measurement shown),
// the current made by its source.
DemoStep RunBenchDemoStep(panel::NBCal& panel, Station& station, CalibrationAction action,
                          const ReferenceShown& shown, const DemoHooks& hooks = {});

// Runs every calibration the started panel offers, with the pack's true values as references
// or, given a station, with its measurements. Empty when its start-up did not end ready.
std::vector<DemoStep> RunDemoSession(panel::NBCal& panel, sim::SimulatedGauge& gauge,
                                     Station* station = nullptr, const ReferenceShown& shown = {},
                                     const DemoHooks& hooks = {});

// One quantity the gauge reports, against its reference.
struct DemoReading {
  enum class Kind { Cell, Battery, Pack, Current, Temperature };
  Kind kind = Kind::Cell;
  size_t index = 0;  // cell 0-3; sensor 0 internal, 1 TS1, 2 TS2
  std::string quantity;
  std::string unit;
  double reference = 0.0;
  double before = 0.0;
  double after = 0.0;
  double target = 0.0;  // largest error after calibration, in unit or in percent
  bool percent = false;
};

// The quantities the session calibrates for this gauge, with their references and targets;
// fills `before` (or `after`) from what the gauge reports now.
void MeasureReported(sim::SimulatedGauge& gauge, std::vector<DemoReading>& readings, bool after);

}  // namespace gaugecal::session
