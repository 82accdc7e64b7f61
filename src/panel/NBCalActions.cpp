// The five calibration buttons: what each checks of the technician's entries against the
// gauge's readings, in which order and with which limits and messages, and what it hands to the
// calibration run (calibration mode, engine, leaving calibration mode).

#include <cmath>
#include <string>

#include "calibration/Acquisition.h"
#include "calibration/CalibrationRun.h"
#include "device/DataFlash.h"
#include "device/ModuleState.h"
#include "panel/Entries.h"
#include "panel/NBCal.h"
#include "platform/Platform.h"

namespace gaugecal::panel {

namespace {

constexpr const char* kConversionTitle = "Calibration";

// Limits of the entries: per cell of a cumulative row, and fixed ones.
constexpr int kMinDeviceMvPerCell = 1000;
constexpr int kMinActualMvPerCell = 2799;
constexpr int kMaxActualMvPerCell = 4500;
constexpr int kBatteryAboveStackMv = 6000;
constexpr int kBatteryBelowStackMv = 8000;
constexpr double kMaxTemperatureC = 85.0;
constexpr double kMinTemperatureC = 0.0;
constexpr double kMaxTemperatureCorrectionK = 24.0;
constexpr double kMinPackMv = 4000.0;
constexpr double kMaxPackMv = 24000.0;
constexpr double kMinMeasuredPackMv = 3000.0;
constexpr double kMaxCurrentMa = 4000.0;
constexpr double kMinCurrentMa = 0.01;

// CEDV_PLUS shows its battery and pack voltage from the raw calibration block, in converter
// counts: there is no reading in millivolts to hold a reference against.
bool VoltageReadingsInMillivolts() {
  return Module().calConfig.DFType != DfType::CEDV_PLUS;
}

bool IsErrRd(const Control& box) {
  return box.Text() == kErrRd;
}

void ShowConversionFailure(const InvalidEntry& e, const char* title) {
  if (Module().platform)
    Module().platform->MsgBox(InvalidEntryMessage(e), MsgIcon::None, title);
}

}  // namespace

bool NBCal::ReferencesPlausible(const std::vector<ReferenceReading>& pairs) {
  if (!plausibilityQuestion_)
    return true;
  const std::vector<ReferenceReading> implausible = Implausible(pairs);
  return implausible.empty() || plausibilityQuestion_(implausible);
}

int32_t NBCal::Run(CalibrationRequest& request, const CheckAfterEntry& checkAfterEntry) {
  ModuleState& m = Module();
  Platform& platform = *m.platform;
  const auto tell = [this] {
    if (progressObserver_)
      progressObserver_(Progress());
  };
  progress_.Begin(m.calConfig.DFType, m.calConfig.NumSamples, platform.ClockMs());
  tell();
  m.onStep = [this, &platform, &tell](const StepReport& step) {
    progress_.Report(step, platform.ClockMs());
    tell();
  };
  const int32_t result = RunCalibration(request, Hooks(), checkAfterEntry);
  m.onStep = nullptr;
  progress_.End();
  tell();
  return result;
}

ProgressView NBCal::Progress() {
  return progress_.View(Module().platform ? Module().platform->ClockMs() : 0.0);
}

void NBCal::btnCalibrate_Click() {
  ModuleState& m = Module();
  DisableControls();
  c_.imgCalDoneBox.SetVisible(false);
  CalibrationRequest r;
  r.action = CalibrationAction::VoltageTemperature;
  for (double& actual : r.temps.Actual)
    actual = kSensorNotCalibrated;
  r.voltageSelected = c_.chkVoltageCal.Checked();
  int ticked = 0;
  for (const Control& box : c_.chkTemp)
    ticked += box.Checked() ? 1 : 0;
  r.temperatureSelected = ticked >= 1;
  const auto refuse = [this](const std::string& message) {
    ShowMessage(message);
    EnableControls();
  };
  if (!r.voltageSelected && !r.temperatureSelected) {
    refuse(
        "Voltage and Temperature calibration selected but no check boxes checked. There is "
        "nothing to do.");
    return;
  }
  try {
    if (r.voltageSelected) {
      if (ReadCellCount(m.CellCount) != 0) {
        refuse(
            "Unable to determine number of cells in use by reading Dataflash parameter System "
            "Configuration.  Please check communications with gas guage.");
        return;
      }
      c_.txtCellCount.SetText(std::to_string(m.CellCount));
      ConfigureVoltTempPage();
      for (int i = 0; i < m.CellCount && i < 4; ++i) {
        const auto row = static_cast<size_t>(i);
        const int n = i + 1;
        const std::string cell = c_.lblCell[row].Caption();
        const Control& actualBox = c_.txtVoltage[row];
        const Control& measuredBox = c_.txtCalMeasVoltage[row];
        if (actualBox.Text().empty()) {
          refuse("Measured Cell voltage not entered for cell " + std::to_string(n) +
                 ". Please enter measured voltage.");
          return;
        }
        if (IsErrRd(measuredBox) ||
            EntryInt16(measuredBox, "the measured voltage of " + cell) < n * kMinDeviceMvPerCell) {
          refuse("Voltage Measured for Cell " + std::to_string(n) +
                 " by device is low or no communications. Please check.  Calibration will be "
                 "terminated.");
          return;
        }
        const int16_t actual = EntryInt16(actualBox, "the actual voltage of " + cell);
        if (actual < n * kMinActualMvPerCell) {
          refuse("Voltage entered for cell voltage " + std::to_string(n) +
                 " appears low. Please check value entered.  Calibration will be terminated.");
          return;
        }
        if (actual > n * kMaxActualMvPerCell) {
          refuse("Voltage entered for cell voltage " + std::to_string(n) +
                 " appears high. Please check value entered.  Calibration will be terminated.");
          return;
        }
      }
      int16_t* const rows[4] = {&r.volts.Cell1, &r.volts.Cell2, &r.volts.Cell3, &r.volts.Cell4};
      for (size_t row = 0; row < 4; ++row)
        *rows[row] =
            EntryInt16(c_.txtVoltage[row], "the actual voltage of " + c_.lblCell[row].Caption());
      r.volts.CellCount = m.CellCount;
    }

    if (m.calConfig.BatteryVSupported) {
      if (IsErrRd(c_.txtBatMeasured)) {
        refuse(
            "Measured Battery voltage is not available .  Please check.  Calibration will be "
            "terminated.");
        return;
      }
      if (m.CellCount < 1 || m.CellCount > 4) {
        throw InvalidEntry(" the cell count " + std::to_string(m.CellCount) +
                           " is not known, so there is no stack voltage to compare the battery "
                           "voltage with.");
      }
      const auto top = static_cast<size_t>(m.CellCount - 1);
      const int stack =
          EntryInt16(c_.txtVoltage[top], "the actual voltage of " + c_.lblCell[top].Caption());
      const int bat = EntryInt16(c_.txtBatVoltageActual, "the actual battery voltage");
      if (bat > stack + kBatteryAboveStackMv) {
        refuse(
            "Measured Battery voltage is over 2 volts greater than stack voltage. Please check. "
            "Calibration will be terminiated.");
        return;
      }
      if (bat < stack - kBatteryBelowStackMv) {
        refuse(
            "Measured Battery voltage is lower than 2 volts below stack voltage. Please check. "
            "Calibration will be terminiated.");
        return;
      }
      r.volts.Battery = bat;
    }

    if (r.temperatureSelected) {
      for (size_t i = 0; i < c_.chkTemp.size(); ++i) {
        if (!c_.chkTemp[i].Checked())
          continue;
        const std::string name = c_.chkTemp[i].Caption();
        if (c_.txtActualTemp[i].Text().empty()) {
          refuse("Actual Temperature value not entered for " + name + "." +
                 " Please enter actual temperature.");
          return;
        }
        const Control& measuredBox = c_.txtMeasTemp[i];
        double measured = 0.0;
        if (!IsErrRd(measuredBox))
          measured = EntryDouble(measuredBox, "the measured temperature of " + name);
        if (IsErrRd(measuredBox) || measured < kMinTemperatureC) {
          refuse("Temperature Measured for " + name +
                 " is low or no communications. Please correct. Calibration will be terminated.");
          return;
        }
        const double actual = EntryDouble(c_.txtActualTemp[i], "the actual temperature of " + name);
        if (actual > kMaxTemperatureC) {
          refuse("Temperature entered for " + name +
                 " is high. Please correct. Calibration will be terminated.");
          return;
        }
        if (actual < kMinTemperatureC) {
          refuse("Temperature entered for " + name +
                 " is low. Please correct. Calibration will be terminated.");
          return;
        }
        if (std::fabs(actual - measured) > kMaxTemperatureCorrectionK) {
          refuse("Temperature entered for " + name +
                 " is more than allowed. Correction is approximately 12 deg K");
          return;
        }
        r.temps.Actual[i] = actual;
        r.temps.Measured[i] = measured;
      }
    }
  } catch (const InvalidEntry& e) {
    ShowConversionFailure(e, kConversionTitle);
    EnableControls();
    c_.tmrScan.SetEnabled(true);
    return;
  }
  std::vector<ReferenceReading> pairs;
  if (r.voltageSelected) {
    for (size_t row = 0; row < 4 && static_cast<int>(row) < m.CellCount; ++row)
      pairs.push_back({c_.lblCell[row].Caption(), ReferenceKind::Voltage, c_.txtVoltage[row].Text(),
                       c_.txtCalMeasVoltage[row].Text()});
  }
  if (m.calConfig.BatteryVSupported && VoltageReadingsInMillivolts())
    pairs.push_back({"Battery Voltage", ReferenceKind::Voltage, c_.txtBatVoltageActual.Text(),
                     c_.txtBatMeasured.Text()});
  if (!ReferencesPlausible(pairs)) {
    EnableControls();
    return;
  }
  if (Run(r) == 0)
    c_.imgCalDoneBox.SetVisible(true);
}

void NBCal::btnPackVoltage_Click() {
  c_.imgPackVoltage.SetVisible(false);
  CalibrationRequest r;
  r.action = CalibrationAction::PackVoltage;
  // Checked once the gauge is in calibration mode; a refusal leaves it again.
  const auto check = [this, &r] {
    const Control& measuredBox = c_.txtPackMeasured;
    const Control& actualBox = c_.txtPackActualVoltage;
    if (IsErrRd(measuredBox)) {
      ShowMessage("A value pack voltage measurement from device is not available. Please retry.");
      return false;
    }
    if (actualBox.Text().empty()) {
      ShowMessage("Please enter a value for measured Pack Voltage");
      return false;
    }
    try {
      r.packActual = EntryDouble(actualBox, "the actual pack voltage");
      if (r.packActual < kMinPackMv) {
        ShowMessage("Pack Voltage entered appears low. Please enter a higher voltage.");
        return false;
      }
      if (r.packActual > kMaxPackMv) {
        ShowMessage("Pack Voltage entered appears high. Please enter a lower voltage.");
        return false;
      }
      r.packMeasured = EntryDouble(measuredBox, "the measured pack voltage");
    } catch (const InvalidEntry& e) {
      ShowConversionFailure(e, kConversionTitle);
      return false;
    }
    if (r.packMeasured < kMinMeasuredPackMv) {
      ShowMessage(
          "Pack Voltage measured by gauge is low. Please connect a voltage source to Pack +");
      return false;
    }
    return !VoltageReadingsInMillivolts() ||
           ReferencesPlausible(
               {{"Pack Voltage", ReferenceKind::Voltage, actualBox.Text(), measuredBox.Text()}});
  };
  if (Run(r, check) == 0)
    c_.imgPackVoltage.SetVisible(true);
}

void NBCal::btnPackCurrent_Click() {
  c_.ImgPackCurrent.SetVisible(false);
  CalibrationRequest r;
  r.action = CalibrationAction::PackCurrent;
  const auto check = [this, &r] {
    const Control& actualBox = c_.txtActualCurrent;
    if (actualBox.Text().empty()) {
      ShowMessage(
          "Actual Current not entered for current calibration. Please enter actual current.");
      return false;
    }
    if (IsErrRd(c_.txtMeasuredCurrent)) {
      ShowMessage(
          "Measured current reading not valid. Please check communication.  Calibration will "
          "be terminated.");
      return false;
    }
    double actual = 0.0;
    try {
      actual = EntryDouble(actualBox, "the actual current");
    } catch (const InvalidEntry& e) {
      ShowConversionFailure(e, "");
      return false;
    }
    if (actual < -kMaxCurrentMa || actual > kMaxCurrentMa) {
      ShowMessage(
          "Actual current entered is out of range. Please check value entered.  Calibration "
          "will be terminated.");
      return false;
    }
    if (std::fabs(actual) < kMinCurrentMa) {
      ShowMessage(
          "Actual Current entered for current calibration is low. Please check value or "
          "increase current.");
      return false;
    }
    r.currentActual = actualBox.Text();
    return ReferencesPlausible(
        {{"Current", ReferenceKind::Current, actualBox.Text(), c_.txtMeasuredCurrent.Text()}});
  };
  if (Run(r, check) == 0)
    c_.ImgPackCurrent.SetVisible(true);
}

void NBCal::btnCalCCCounter_Click() {
  c_.imageCCOffsetDone.SetVisible(false);
  c_.tmrScan.SetEnabled(false);
  CalibrationRequest r;
  r.action = CalibrationAction::CCOffset;
  c_.imageCCOffsetDone.SetVisible(Run(r) == 0);
  c_.tmrScan.SetEnabled(true);
}

void NBCal::btnBoardOffset_Click() {
  c_.ImgBoardOffset.SetVisible(false);
  CalibrationRequest r;
  r.action = CalibrationAction::BoardOffset;
  c_.ImgBoardOffset.SetVisible(Run(r) == 0);
}

}  // namespace gaugecal::panel
