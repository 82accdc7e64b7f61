// demo: the tool's main job on a simulated pack. The pack's converters are off by a few
// percent; every calibration the panel offers for its family runs through the calibration
// panel with the pack's true values as the bench references, and a table shows what the gauge
// reports against each reference before and after, with the accuracy target. Exit status 0
// when every calibration succeeded and every quantity is within its target.

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "cli/Progress.h"
#include "cli/Recording.h"
#include "cli/ReferenceLines.h"
#include "device/ModuleState.h"
#include "panel/CalibrationCheck.h"
#include "panel/NBCal.h"
#include "session/DemoSession.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::cli {

namespace {

using session::ActionName;
using session::DemoReading;
using session::DemoStep;
using session::MeasureReported;
using session::RunDemoSession;

constexpr double kTolerance = 1e-9;
constexpr size_t kNameWidth = 28;  // reports are whole units: keep a 0.1 K error at 0.1 K

// The built-in pack with converter errors two and a half times its own: a few percent.
void WidenConverterErrors(sim::Scenario& s) {
  constexpr double kWider = 2.5;
  constexpr double kNominalSenseMilliohm = 4.768 / 0.9419;
  for (sim::ChannelError& e : s.cellError)
    e.gainError *= kWider;
  s.batteryError.gainError *= kWider;
  s.packError.gainError *= kWider;
  s.senseResistorMilliohm =
      kNominalSenseMilliohm + (s.senseResistorMilliohm - kNominalSenseMilliohm) * kWider;
}

double Error(const DemoReading& r, double value) {
  const double e = value - r.reference;
  return r.percent ? e / std::fabs(r.reference) * 100.0 : e;
}

bool Within(const DemoReading& r) {
  return std::fabs(Error(r, r.after)) <= r.target + kTolerance;
}

std::string Fixed(double value, int decimals, bool sign = false) {
  char text[32];
  std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", decimals, value);
  return text;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void PrintText(CliContext& c, const std::vector<DemoStep>& steps,
               const std::vector<DemoReading>& readings, bool ok) {
  c.out << "Demo: a " << DfTypeName(Module().calConfig.DFType)
        << " pack whose converters are off by a few percent, calibrated through the panel with "
        << (c.station != nullptr ? "references measured by the bench's instruments."
                                 : "its true values as references.")
        << "\n\nCalibrations:";
  const char* separator = " ";
  for (const DemoStep& s : steps) {
    c.out << separator << ActionName(s.action) << " "
          << (!s.offered ? "not offered"
              : s.done   ? "done"
                         : "FAILED");
    separator = ", ";
  }
  std::string heading = "Quantity";
  heading.resize(kNameWidth, ' ');
  c.out << "\n\n"
        << heading << Padded("Reference", 11) << Padded("Before", 11) << Padded("Error", 10)
        << Padded("After", 11) << Padded("Error", 10) << Padded("Target", 9) << "\n";
  for (const DemoReading& r : readings) {
    const int decimals = r.unit == "degC" ? 2 : 1;
    const std::string unit = r.percent ? " %" : "";
    std::string name = r.quantity + " (" + r.unit + ")";
    name.resize(std::max<size_t>(name.size() + 1, kNameWidth), ' ');
    c.out << name << Padded(Fixed(r.reference, r.unit == "degC" ? 1 : 0), 11)
          << Padded(Fixed(r.before, decimals), 11)
          << Padded(Fixed(Error(r, r.before), r.percent ? 3 : decimals, true) + unit, 10)
          << Padded(Fixed(r.after, decimals), 11)
          << Padded(Fixed(Error(r, r.after), r.percent ? 3 : decimals, true) + unit, 10)
          << Padded(Fixed(r.target, 1) + unit, 9) << (Within(r) ? "" : "  MISSED") << "\n";
  }
  c.out << "\n"
        << (ok ? "Every calibration done; every quantity within its target." : "FAILED") << "\n";
}

void PrintJson(CliContext& c, const std::vector<DemoStep>& steps,
               const std::vector<DemoReading>& readings) {
  nlohmann::ordered_json j;
  j["family"] = DfTypeName(Module().calConfig.DFType);
  j["calibrations"] = nlohmann::ordered_json::array();
  for (const DemoStep& s : steps) {
    j["calibrations"].push_back(
        {{"action", ActionName(s.action)}, {"offered", s.offered}, {"done", s.done}});
  }
  j["readings"] = nlohmann::ordered_json::array();
  for (const DemoReading& r : readings) {
    j["readings"].push_back({{"quantity", r.quantity},
                             {"unit", r.unit},
                             {"reference", r.reference},
                             {"before", r.before},
                             {"after", r.after},
                             {"target", r.target},
                             {"targetPercent", r.percent},
                             {"within", Within(r)}});
  }
  c.report.Result(std::move(j));
}

int RunDemo(CliContext& c) {
  sim::SimulatedGauge* gauge = c.gauge;
  if (!gauge) {
    c.report.Error(
        "demo needs a simulated gauge (--adapter sim:FAMILY, i2c-sim:FAMILY or "
        "cp2112-sim:FAMILY)");
    return kExitUsage;
  }
  if (c.options.simScenario.empty())
    WidenConverterErrors(gauge->Settings());
  Recording recording;
  if (!recording.Start(c))
    return kExitFailed;
  panel::NBCal nbcal;
  if (!StartCalibrationPanel(c, nbcal))
    return kExitFailed;
  std::vector<DemoReading> readings;
  MeasureReported(*gauge, readings, false);
  std::vector<DemoStep> steps;
  {
    ProgressLine progress(c, "Calibrating");
    // One record per action, begun once its references are in the boxes.
    session::DemoHooks hooks;
    hooks.before = [&c, &nbcal, &recording](CalibrationAction action) {
      return recording.Begin(c, ActionName(action), &nbcal, action);
    };
    hooks.after = [&c, &nbcal, &recording](const DemoStep& step) {
      // The quantities the action calibrated, as left: the check after calibration.
      const bool check = recording.Active() && step.done && !c.platform.StopRequested();
      recording.Complete(c,
                         c.platform.StopRequested()
                             ? records::kInterrupted
                             : session::CalibrationOutcome(step.done, true, recording.Wrote()),
                         &nbcal,
                         session::CheckJson(check ? panel::CheckCalibration(nbcal, step.action)
                                                  : std::vector<panel::CheckedQuantity>{}));
    };
    steps = RunDemoSession(nbcal, *gauge, c.station, recording.Shown(c), hooks);
  }
  if (recording.Failed())
    return kExitFailed;
  MeasureReported(*gauge, readings, true);
  bool ok = !steps.empty();
  for (const DemoStep& s : steps)
    ok = ok && (!s.offered || s.done);
  for (const DemoReading& r : readings)
    ok = ok && Within(r);
  if (c.options.json)
    PrintJson(c, steps, readings);
  else
    PrintText(c, steps, readings, ok);
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddDemoCommand(CommandSet& commands) {
  commands.Add("demo",
               "calibrate a simulated pack whose converters are off through the calibration "
               "panel and show what the gauge reports before and after",
               RunDemo);
}

}  // namespace gaugecal::cli
