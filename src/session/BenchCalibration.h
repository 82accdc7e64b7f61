#pragma once
// A calibration with its references from the station: every reference box of the action that
// a technician could type into and that is still empty is filled with a measurement, then the
// action's button is pressed; the boxes go through the panel's own checks and its
// plausibility guard exactly as typed ones. For the current calibration with a source in the
// profile: source on, settle, measure, press, source off whatever the outcome.

#include <functional>
#include <string>

#include "calibration/CalibrationRun.h"
#include "panel/NBCal.h"
#include "session/ReferenceBench.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::session {

// Each measurement as it was put into its box: name ("Cell 1 + 2") and what was measured.
using ReferenceShown = std::function<void(const std::string& name, const MeasuredReference&)>;

struct BenchOutcome {
  bool measured = false;  // every reference the action needs from the station was read
  bool done = false;      // the press came to the done mark
  std::string error;      // the instrument failure that stopped it; empty otherwise
};

// Fills the action's empty usable boxes from the station (again: every usable box, a new
// measurement over what it holds); false with error naming the instrument when one cannot be
// read. Nothing is pressed.
bool MeasureIntoBoxes(ReferenceBench& station, panel::NBCal& panel, CalibrationAction action,
                      const ReferenceShown& shown, std::string& error, bool again = false);

// Measures (with the source on for the current calibration), then press() runs the action.
BenchOutcome CalibrateFromBench(ReferenceBench& station, panel::NBCal& panel,
                                CalibrationAction action, const ReferenceShown& shown,
                                const std::function<bool()>& press);

}  // namespace gaugecal::session
