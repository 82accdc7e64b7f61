#pragma once
// The plausibility guard between the calibration page's own checks and the engine: each
// reference a calibration will use is held against the gauge's own reading of the same
// quantity, so a reference typed with the wrong sign, in amperes instead of milliamperes, for
// one cell instead of the stack, or against no load at all stops the action before anything is
// computed or written. The page's own limits stay as they are; these only come on top.
// docs/calibration.md ("Plausibility guard") gives the reasons for the limits.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gaugecal::panel {

// A current reference must have the reading's sign and lie within this fraction of its own
// magnitude of the reading: the uncalibrated sense resistor of a board is off by a few per
// cent, a reference in the wrong unit or of the wrong sign by far more.
inline constexpr double kPlausibleCurrentFraction = 0.20;
// A voltage reference (a cell stack row, the battery, the pack) must lie within this fraction
// of the gauge's reading.
inline constexpr double kPlausibleVoltageFraction = 0.10;

enum class ReferenceKind { Current, Voltage };

struct ReferenceReading {
  std::string quantity;  // "Cell 1 + 2", "Battery Voltage", "Pack Voltage", "Current"
  ReferenceKind kind = ReferenceKind::Voltage;
  std::string reference;  // as typed
  std::string reading;    // as the gauge's measured box shows it
};

// Whether the reference fits the reading; a reading that is not a number fits nothing.
bool Plausible(const ReferenceReading& r);

// The pairs that are not plausible, in the given order.
std::vector<ReferenceReading> Implausible(const std::vector<ReferenceReading>& pairs);

// One line for a person: which quantity, the reference, the reading and the limit it broke.
std::string ImplausibleText(const ReferenceReading& r);

// What a window asks with the implausible pairs: one ImplausibleText line each, then
// "Calibrate anyway?".
std::string PlausibilityQuestionText(const std::vector<ReferenceReading>& implausible);

// Asked with the implausible pairs before an action goes on; true lets it go on anyway. A
// panel without one runs its actions on its own checks alone.
using PlausibilityQuestion = std::function<bool(const std::vector<ReferenceReading>&)>;

}  // namespace gaugecal::panel
