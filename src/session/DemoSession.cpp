#include "session/DemoSession.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "calibration/AccuracyTargets.h"
#include "device/ModuleState.h"
#include "panel/PanelActions.h"
#include "platform/Platform.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::session {

namespace {

constexpr CalibrationAction kBenchOrder[] = {
    CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
    CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
    CalibrationAction::PackCurrent};
constexpr int kConversionsAveraged = 16;
constexpr double kConversionMs = 250.0;
constexpr const char* kSensorNames[] = {"Internal temperature", "TS1 temperature",
                                        "TS2 temperature"};

bool RowFamily(DfType family) {
  return family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
}

double StackMv(const sim::Scenario& s, int cells) {
  double stack = 0.0;
  for (int i = 0; i < cells && i < 4; ++i)
    stack += s.cellMv[static_cast<size_t>(i)];
  return stack;
}

double PackMv(const sim::Scenario& s) {
  return s.packMv.value_or(StackMv(s, s.cells));
}

std::string Whole(double value) {
  return std::to_string(std::lround(value));
}

// Temperatures as a thermometer shows them, in tenths of a degree.
std::string Tenths(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The sensors whose offsets the family calibrates and whose rows the page shows (internal,
// TS1, TS2).
std::array<bool, 3> CalibratedSensors(panel::NBCal& panel) {
  const panel::NBCalControls& c = panel.Controls();
  const bool internal = RowFamily(Module().calConfig.DFType) && c.chkTemp[0].Visible();
  return {internal, c.chkTemp[1].Visible(), c.chkTemp[2].Visible()};
}

void EnterReferences(panel::NBCal& panel, sim::SimulatedGauge& gauge, CalibrationAction action) {
  sim::Scenario& s = gauge.Settings();
  s.currentMa = action == CalibrationAction::PackCurrent ? kDemoCurrentMa : 0.0;
  panel::NBCalControls& c = panel.Controls();
  switch (action) {
    case CalibrationAction::VoltageTemperature: {
      c.chkVoltageCal.SetChecked(true);
      for (int n = 1; n <= s.cells && n <= 4; ++n)
        c.txtVoltage[static_cast<size_t>(n - 1)].SetText(Whole(StackMv(s, n)));
      if (c.txtBatVoltageActual.Visible())
        c.txtBatVoltageActual.SetText(Whole(StackMv(s, s.cells)));
      const std::array<bool, 3> sensors = CalibratedSensors(panel);
      for (size_t i = 0; i < sensors.size(); ++i) {
        c.chkTemp[i].SetChecked(sensors[i]);
        c.txtActualTemp[i].SetText(Tenths(s.temperatureC[i]));
      }
      break;
    }
    case CalibrationAction::PackVoltage:
      c.txtPackActualVoltage.SetText(Whole(PackMv(s)));
      break;
    case CalibrationAction::PackCurrent:
      c.txtActualCurrent.SetText(Whole(kDemoCurrentMa));
      break;
    case CalibrationAction::CCOffset:
    case CalibrationAction::BoardOffset:
      break;
  }
}

}  // namespace

// CEDV_PLUS shows its internal sensor on the standard temperature command only while the
// mapping is switched: the host reads it that way before the technician compares. The switch
// is a data flash write.
void MapInternalSensor(panel::NBCal& panel, CalibrationAction action) {
  if (action == CalibrationAction::VoltageTemperature && panel.Controls().chkTemp[0].Checked() &&
      Module().calConfig.DFType == DfType::CEDV_PLUS)
    panel.Mapk18portInternalTemptoSBSTemp();
}

DemoStep RunDemoStep(panel::NBCal& panel, sim::SimulatedGauge& gauge, CalibrationAction action,
                     const DemoHooks& hooks) {
  DemoStep step{action};
  step.offered = panel::Offered(panel, action);
  if (!step.offered)
    return step;
  EnterReferences(panel, gauge, action);
  if (hooks.before && !hooks.before(action)) {
    step.stopped = true;
    return step;
  }
  MapInternalSensor(panel, action);
  step.done = panel::Press(panel, action) && panel::ControlsOf(panel, action).doneImage.Visible();
  if (hooks.after)
    hooks.after(step);
  return step;
}

DemoStep RunBenchDemoStep(panel::NBCal& panel, Station& station, CalibrationAction action,
                          const ReferenceShown& shown, const DemoHooks& hooks) {
  DemoStep step{action};
  step.offered = panel::Offered(panel, action);
  if (!step.offered)
    return step;
  panel::NBCalControls& c = panel.Controls();
  ClearReferenceBoxes(c);
  for (panel::Control& sensor : c.chkTemp)
    sensor.SetChecked(false);
  const BenchOutcome outcome =
      CalibrateFromBench(station, panel, action, shown, [&panel, action, &hooks, &step] {
        if (hooks.before && !hooks.before(action)) {
          step.stopped = true;
          return false;
        }
        MapInternalSensor(panel, action);
        return panel::Press(panel, action);
      });
  step.done = outcome.done && panel::ControlsOf(panel, action).doneImage.Visible();
  if (!outcome.error.empty())
    Module().platform->Warning(outcome.error);
  if (hooks.after && !step.stopped)
    hooks.after(step);
  return step;
}

std::vector<DemoStep> RunDemoSession(panel::NBCal& panel, sim::SimulatedGauge& gauge,
                                     Station* station, const ReferenceShown& shown,
                                     const DemoHooks& hooks) {
  if (panel.Outcome() != panel::StartupOutcome::Ready)
    return {};
  // The technician watches the gauge's readings on the page before typing references.
  panel.Controls().chkUpdates.SetChecked(true);
  panel.tmrScan_Timer();
  std::vector<DemoStep> steps;
  for (CalibrationAction action : kBenchOrder) {
    // Stopped from outside: the calibrations not begun are not begun.
    if (Module().platform->StopRequested())
      break;
    steps.push_back(station == nullptr ? RunDemoStep(panel, gauge, action, hooks)
                                       : RunBenchDemoStep(panel, *station, action, shown, hooks));
    if (steps.back().stopped)
      break;
  }
  gauge.Settings().currentMa = 0.0;
  return steps;
}

void MeasureReported(sim::SimulatedGauge& gauge, std::vector<DemoReading>& readings, bool after) {
  sim::Scenario& s = gauge.Settings();
  const CalConfig& cfg = Module().calConfig;
  using Kind = DemoReading::Kind;
  if (readings.empty()) {
    for (size_t n = 0; n < static_cast<size_t>(s.cells) && n < 4; ++n)
      readings.push_back({Kind::Cell, n, "Cell " + std::to_string(n + 1), "mV", s.cellMv[n]});
    if (cfg.BatteryVSupported && RowFamily(cfg.DFType))
      readings.push_back({Kind::Battery, 0, "Battery voltage", "mV", StackMv(s, s.cells)});
    if (cfg.PackVSupported)
      readings.push_back({Kind::Pack, 0, "Pack voltage", "mV", PackMv(s)});
    readings.push_back({Kind::Current, 0, "Current", "mA", kDemoCurrentMa});
    const bool sensors[3] = {cfg.IntTSSupported && RowFamily(cfg.DFType), cfg.TS1Supported,
                             cfg.TS2Supported};
    for (size_t i = 0; i < 3; ++i) {
      if (sensors[i])
        readings.push_back({Kind::Temperature, i, kSensorNames[i], "degC", s.temperatureC[i]});
    }
    for (DemoReading& r : readings) {
      r.percent = r.kind != Kind::Cell && r.kind != Kind::Temperature;
      r.target = r.kind == Kind::Cell          ? kCellTargetMv
                 : r.kind == Kind::Current     ? kCurrentTargetPercent
                 : r.kind == Kind::Temperature ? kTemperatureTargetK
                                               : kBatteryPackTargetPercent;
    }
  }
  // What the gauge reports, averaged over conversions; the current with the load applied.
  const double restingMa = s.currentMa;
  s.currentMa = kDemoCurrentMa;
  std::vector<double> sums(readings.size(), 0.0);
  for (int k = 0; k < kConversionsAveraged; ++k) {
    Module().platform->PassTime(kConversionMs);
    const sim::Reported r = gauge.ReportedNow();
    for (size_t i = 0; i < readings.size(); ++i) {
      const DemoReading& d = readings[i];
      switch (d.kind) {
        case Kind::Cell:
          sums[i] += r.cellMv[d.index];
          break;
        case Kind::Battery:
          sums[i] += r.batteryMv;
          break;
        case Kind::Pack:
          sums[i] += r.packMv;
          break;
        case Kind::Current:
          sums[i] += r.currentMa;
          break;
        case Kind::Temperature:
          sums[i] += r.temperatureDeciK[d.index] / 10.0 - 273.2;
          break;
      }
    }
  }
  s.currentMa = restingMa;
  for (size_t i = 0; i < readings.size(); ++i)
    (after ? readings[i].after : readings[i].before) = sums[i] / kConversionsAveraged;
}

}  // namespace gaugecal::session
