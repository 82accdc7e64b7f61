#include "panel/Plausibility.h"

#include <cmath>

#include "device/Codecs.h"

namespace gaugecal::panel {

namespace {

std::string Unit(ReferenceKind kind) {
  return kind == ReferenceKind::Current ? " mA" : " mV";
}

}  // namespace

bool Plausible(const ReferenceReading& r) {
  const std::optional<double> reference = ParseDecimal(r.reference);
  const std::optional<double> reading = ParseDecimal(r.reading);
  if (!reference || !reading)
    return false;
  const double error = std::fabs(*reference - *reading);
  if (r.kind == ReferenceKind::Current) {
    return *reference * *reading > 0.0 &&
           error <= kPlausibleCurrentFraction * std::fabs(*reference);
  }
  return error <= kPlausibleVoltageFraction * std::fabs(*reading);
}

std::vector<ReferenceReading> Implausible(const std::vector<ReferenceReading>& pairs) {
  std::vector<ReferenceReading> implausible;
  for (const ReferenceReading& r : pairs) {
    if (!Plausible(r))
      implausible.push_back(r);
  }
  return implausible;
}

std::string ImplausibleText(const ReferenceReading& r) {
  const auto percent = [](double fraction) { return std::to_string(std::lround(fraction * 100)); };
  const std::string limit =
      r.kind == ReferenceKind::Current
          ? "the same sign and within " + percent(kPlausibleCurrentFraction) + " % of the reference"
          : "within " + percent(kPlausibleVoltageFraction) + " % of the reading";
  return r.quantity + ": the reference of " + r.reference + Unit(r.kind) +
         " does not fit the gauge's reading of " + r.reading + Unit(r.kind) +
         " (expected: " + limit + ")";
}

std::string PlausibilityQuestionText(const std::vector<ReferenceReading>& implausible) {
  std::string text;
  for (const ReferenceReading& r : implausible)
    text += ImplausibleText(r) + "\n";
  return text + "\nCalibrate anyway?";
}

}  // namespace gaugecal::panel
