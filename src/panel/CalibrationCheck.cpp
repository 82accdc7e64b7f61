#include "panel/CalibrationCheck.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "calibration/AccuracyTargets.h"
#include "calibration/DeviceMeasurements.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "panel/NBCal.h"
#include "platform/Platform.h"

namespace gaugecal::panel {

namespace {

// A reading of the live path: a function of one set of measurements.
using Pick = std::string (*)(const DeviceMeasurements&, size_t);

struct Planned {
  CheckedQuantity q;
  size_t index = 0;
  Pick pick = nullptr;
  bool percent = false;
  bool cellOfStack = false;  // the difference of stack rows index and index - 1
  double sum = 0.0;
  int count = 0;
};

std::string Stack(const DeviceMeasurements& d, size_t i) {
  return d.stack[i];
}
std::string Battery(const DeviceMeasurements& d, size_t) {
  return d.battery;
}
std::string Pack(const DeviceMeasurements& d, size_t) {
  return d.pack;
}
std::string Current(const DeviceMeasurements& d, size_t) {
  return d.current;
}
std::string Temperature(const DeviceMeasurements& d, size_t i) {
  return d.temperatures[i];
}

std::optional<double> Number(const Control& box) {
  return ParseDecimal(box.Text());
}

// What the action calibrated, with its reference as the page holds it.
std::vector<Planned> Plan(NBCal& panel, CalibrationAction action) {
  const NBCalControls& c = panel.Controls();
  const CalConfig& cfg = Module().calConfig;
  std::vector<Planned> plan;
  const auto add = [&plan](std::string quantity, std::string unit, std::optional<double> reference,
                           Pick pick, size_t index, bool percent, double target) {
    if (!reference)
      return;
    Planned p;
    p.q.quantity = std::move(quantity);
    p.q.unit = unit;
    p.q.reference = *reference;
    p.q.errorUnit = percent ? "%" : unit;
    p.q.target = target;
    p.pick = pick;
    p.index = index;
    p.percent = percent;
    plan.push_back(std::move(p));
  };
  switch (action) {
    case CalibrationAction::VoltageTemperature: {
      if (c.chkVoltageCal.Checked()) {
        std::optional<double> below = 0.0;
        for (int n = 0; n < Module().CellCount && n < 4; ++n) {
          const auto i = static_cast<size_t>(n);
          const std::optional<double> stack = Number(c.txtVoltage[i]);
          std::optional<double> cell;
          if (stack && below)
            cell = *stack - *below;
          const size_t planned = plan.size();
          add("Cell " + std::to_string(n + 1), "mV", cell, Stack, i, false, kCellTargetMv);
          if (plan.size() > planned)  // a row without its reference is not checked
            plan.back().cellOfStack = true;
          below = stack;
        }
        // The battery gain is calibrated with the cells; the gauge reports a calibrated
        // battery voltage only in the live table.
        if (cfg.BatteryVSupported && cfg.DFType == DfType::RN44K18)
          add("Battery Voltage", "mV", Number(c.txtBatVoltageActual), Battery, 0, true,
              kBatteryPackTargetPercent);
      }
      for (size_t i = 0; i < c.chkTemp.size(); ++i) {
        // The internal sensor of the row families is read the way their page reads it, not
        // through a mapping switch: only RN44K18 reports it in its live table.
        if (!c.chkTemp[i].Checked() || (i == 0 && cfg.DFType == DfType::CEDV_PLUS))
          continue;
        add(c.chkTemp[i].Caption(), "degC", Number(c.txtActualTemp[i]), Temperature, i, false,
            kTemperatureTargetK);
      }
      break;
    }
    case CalibrationAction::PackVoltage:
      if (cfg.DFType == DfType::RN44K18)
        add("Pack Voltage", "mV", Number(c.txtPackActualVoltage), Pack, 0, true,
            kBatteryPackTargetPercent);
      break;
    case CalibrationAction::PackCurrent:
      add("Current", "mA", Number(c.txtActualCurrent), Current, 0, true, kCurrentTargetPercent);
      break;
    case CalibrationAction::BoardOffset:
      add("No-load current", "mA", 0.0, Current, 0, false, kNoLoadCurrentTargetMa);
      break;
    case CalibrationAction::CCOffset:
      break;
  }
  return plan;
}

}  // namespace

std::vector<CheckedQuantity> CheckCalibration(NBCal& panel, CalibrationAction action) {
  std::vector<Planned> plan = Plan(panel, action);
  if (plan.empty())
    return {};
  for (int k = 0; k < kCheckConversions; ++k) {
    Module().platform->Sleep(kCheckConversionMs);
    const DeviceMeasurements d = ReadDeviceMeasurements();
    for (Planned& p : plan) {
      const std::optional<double> value = ParseDecimal(p.pick(d, p.index));
      std::optional<double> below = 0.0;
      if (p.cellOfStack && p.index > 0)
        below = ParseDecimal(d.stack[p.index - 1]);
      if (value && below) {
        p.sum += *value - *below;
        ++p.count;
      }
    }
  }
  std::vector<CheckedQuantity> checked;
  for (Planned& p : plan) {
    if (p.count == 0)
      continue;
    CheckedQuantity q = p.q;
    q.reading = p.sum / p.count;
    const double error = q.reading - q.reference;
    q.error = p.percent ? 100.0 * error / std::fabs(q.reference) : error;
    q.within = std::fabs(q.error) <= q.target + 1e-9;
    checked.push_back(q);
  }
  return checked;
}

std::string CheckLine(const CheckedQuantity& q) {
  char text[256];
  std::snprintf(text, sizeof text,
                "%s: reference %g %s, reading %.1f %s, error %+.*f %s (target %g %s): %s",
                q.quantity.c_str(), q.reference, q.unit.c_str(), q.reading, q.unit.c_str(),
                q.errorUnit == "%" ? 3 : 1, q.error, q.errorUnit.c_str(), q.target,
                q.errorUnit.c_str(), q.within ? "within" : "OUTSIDE");
  return text;
}

}  // namespace gaugecal::panel
