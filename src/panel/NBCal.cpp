// The panel's properties, start-up, page layout, control enabling, page switching, scan tick
// and the calibration-mode wrappers around the engine's session.

#include "panel/NBCal.h"

#include <algorithm>

#include "calibration/CalParameters.h"
#include "calibration/DeviceMeasurements.h"
#include "config/DisplayTables.h"
#include "config/Settings.h"
#include "device/DataFlash.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

#ifndef GAUGECAL_VERSION_MAJOR
#define GAUGECAL_VERSION_MAJOR 0
#define GAUGECAL_VERSION_MINOR 0
#define GAUGECAL_VERSION_PATCH 0
#endif

namespace gaugecal::panel {

namespace {

constexpr int16_t kGaugeAddress = 0x17;
constexpr int16_t kSealed = 3;
constexpr int kMillivoltsPerCell = 4000;
constexpr int kPackFrameRaisedTop = 2400;
constexpr int kTemperatureLeft = 200;
constexpr int32_t kQspanTickWaitMs = 20;
constexpr const char* kPanelName = "NBCal";

constexpr const char* kNoCommunication =
    "Unable to communicate with device.  Please ensure device is connected. After "
    "communications is established, close and restart Morvane.  Device will auto detect "
    "properly on startup.";
constexpr const char* kPackSealed =
    "Pack is sealed. Please unseal device before performing calibration. Close and restart "
    "Morvane after unsealing so device and firmware version is detected correctly.";
constexpr const char* kFirmwareNotConfirmed =
    "Unable to confirm device is executing firmware. Please check communications. Close and "
    "restart Morvane after communications is established.";
constexpr const char* kCellCountUnknown =
    "Unable to determine number of cells in use. Please check communications with device.";
constexpr const char* kTickRefreshFailed = "Error reading GG Mode data from Pack.";
constexpr const char* kVTCalibrationHelp =
    "Voltage: Enter actual cell voltages using stack ground as reference.  Cell count is "
    "determined by reading CC1 and CC0 bits in System Configuration.  Only cells in use "
    "considered. Check voltage calibration checkbox.\r\n\r\nTemperature: Enter actual sensor "
    "temperatures.  Check checkboxes that apply.\r\nClick Voltage/Temperature calibration "
    "button to calibrate.";

DfType Family() {
  return Module().calConfig.DFType;
}

}  // namespace

NBCal::NBCal() : c_(notifier_) {}

NBCal::~NBCal() = default;

std::string NBCal::Caption() const {
  return "Host Calibration";
}

void NBCal::SetTargetAddress(int16_t address) {
  targetAddress_ = address;
}

void NBCal::SetKVMAC(int16_t value) {
  kvmac_ = value;  // the access register comes from config.ini
}

int16_t NBCal::TargetAddress() const {
  return targetAddress_;
}

void NBCal::SetTargetInfo(const std::string& info) {
  targetInfo_ = info;
}

bool NBCal::GetConfigSection(const std::string& sDevVer, std::string& sDeviceConfigSection,
                             std::string& sVersionConfigSection) const {
  const size_t dot = sDevVer.find('.');
  if (dot == std::string::npos)
    return false;
  sDeviceConfigSection = sDevVer.substr(0, dot);
  sVersionConfigSection = sDevVer;
  std::replace(sVersionConfigSection.begin(), sVersionConfigSection.end(), '.', '_');
  return true;
}

int32_t NBCal::EnterCalibrationMode(int16_t mode) {
  return gaugecal::EnterCalibrationMode(mode, Hooks());
}

int32_t NBCal::ExitCalibrationMode() {
  return gaugecal::ExitCalibrationMode(Hooks());
}

// What the panel adds to the engine's session: controls and timer around it, the data flash
// grid after every read of the calibration area, the live grid and measured boxes after every
// refresh of the live readings.
SessionHooks NBCal::Hooks() {
  SessionHooks hooks;
  hooks.beforeEntry = [this] {
    calibrating_ = true;
    DisableControls();
    c_.tmrScan.SetEnabled(false);
  };
  hooks.calibrationAreaRead = [this] {
    TransferCalValuesToDFGrid();
    // CEDV re-reads its data flash with the grid refresh, which restarts the timer (its
    // ticks wait until the calibration is over).
    if (Family() == DfType::CEDV)
      c_.tmrScan.SetEnabled(true);
  };
  hooks.measurementsRead = [this](const DeviceMeasurements& measured) {
    if (Family() == DfType::RN44K18) {
      TransferCurrentValuestoGrid(kLiveVoltages);
      TransferCurrentValuestoGrid(kLiveTemperatures);
    } else if (Family() == DfType::CEDV_PLUS) {
      ShowMeasurements(measured);
    }
  };
  hooks.afterExit = [this] {
    calibrating_ = false;
    EnableControls();
    tmrScan_Timer();
    c_.tmrScan.SetEnabled(true);
  };
  return hooks;
}

void NBCal::Startup(HostLink& hostLink) {
  InitPanel(hostLink);
}

void NBCal::InitPanel(HostLink& hostLink) {
  Module().hostLink = &hostLink;
  c_.tmrScan.Bind(Module().platform, [this] { tmrScan_Timer(); });
  SetTargetAddress(kGaugeAddress);
  RunStartupChecks();
}

void NBCal::RunStartupChecks() {
  ModuleState& m = Module();
  outcome_ = StartupOutcome::NotStarted;
  c_.imgCalDoneBox.SetVisible(false);
  m.SmbAddress = kGaugeAddress;
  SetTargetAddress(kGaugeAddress);
  LayoutPanel();
  // Without an answer start-up goes on: the configuration check decides.
  if (CheckCommunication() != 0)
    ShowCriticalMessage(kNoCommunication);
  InitDisplayTables();
  int32_t identification = 0;
  ReadDeviceIdentification(m.SmbAddress, identification);
  if (CheckConfiguration() != 0) {
    outcome_ = StartupOutcome::ConfigurationMissing;
    return;
  }
  DisableControls();
  SetUpDFGrid();
  c_.DFGrid.SetVisible(true);
  c_.lblCalDF.SetVisible(true);
  if (Family() == DfType::RN44K18) {
    c_.displaygrid.SetVisible(true);
    SetUpGGModeGrid();
    int16_t mode = 0;
    ReadSecurityMode(mode);
    if (mode == kSealed) {
      ShowMessage(kPackSealed);
      EnableControls();
      outcome_ = StartupOutcome::Sealed;
      return;
    }
    if (SendExitCalCommand() != 0) {
      ShowMessage(kFirmwareNotConfirmed);
      EnableControls();
      outcome_ = StartupOutcome::FirmwareNotConfirmed;
      return;
    }
  }
  DisableControls();
  ReadandUpdateAllDFValues();
  if (ReadCellCount(m.CellCount) != 0) {
    ShowMessage(kCellCountUnknown);
    EnableControls();
    outcome_ = StartupOutcome::CellCountUnknown;
    return;
  }
  ConfigureVoltTempPage();
  const std::string stack = std::to_string(m.CellCount * kMillivoltsPerCell);
  c_.txtPackActualVoltage.SetText(stack);
  if (m.calConfig.BatteryVSupported)
    c_.txtBatVoltageActual.SetText(stack);
  c_.txtCellCount.SetText(std::to_string(m.CellCount));
  if (Family() == DfType::RN44K18 || Family() == DfType::CEDV_PLUS)
    SendExitCalCommand();
  ReadandDisplayAllDeviceDataonDisplay();
  c_.tmrScan.SetEnabled(true);
  tmrScan_Timer();
  LoadCCOffsetSampleScale();
  EnableControls();
  outcome_ = StartupOutcome::Ready;
}

void NBCal::LayoutPanel() {
  c_.SStabCal.SetValue(0);
  for (Control& page : c_.picCalibration) {
    page.SetGeometry({0, 450, 9950, 9200});
  }
  ShowPage(0);
  for (Control* button : {&c_.btnCalCCCounter, &c_.btnCalibrate, &c_.btnPackVoltage,
                          &c_.btnBoardOffset, &c_.btnPackCurrent, &c_.btnRefreshGaugeData}) {
    button->SetEnabled(true);
  }
  AlignTemperatureControls();
  c_.lblVTCalibration.SetCaption(kVTCalibrationHelp);
  c_.txtVersion.SetCaption("Version: " + std::to_string(GAUGECAL_VERSION_MAJOR) + "." +
                           std::to_string(GAUGECAL_VERSION_MINOR) + ".0." +
                           std::to_string(GAUGECAL_VERSION_PATCH) + " " + kPanelName);
}

void NBCal::AlignTemperatureControls() {
  for (Control& box : c_.chkTemp)
    box.SetLeft(kTemperatureLeft);
}

void NBCal::ConfigureVoltTempPage() {
  const ModuleState& m = Module();
  const CalConfig& cfg = m.calConfig;
  if (cfg.DFType == DfType::CEDV) {
    c_.displaygrid.SetVisible(false);
    c_.chkTemp[1].SetCaption("External Temperature");
  }
  if (!cfg.BatteryVSupported) {
    for (Control* c : {&c_.txtBatMeasured, &c_.txtBatVoltageActual, &c_.lblBatteryVoltage,
                       &c_.lblBatUnit[0], &c_.lblBatUnit[1]}) {
      c->SetVisible(false);
    }
    c_.txtBatVoltageActual.SetText("");
  }
  if (!cfg.PackVSupported)
    c_.frmPackCal.SetVisible(false);
  // The "Ext 1 Temp" row (index 1) is always shown.
  const std::pair<size_t, bool> sensors[] = {
      {0, cfg.IntTSSupported}, {2, cfg.TS2Supported}, {3, cfg.TS3Supported}, {4, cfg.TS4Supported}};
  for (const auto& [i, supported] : sensors) {
    if (supported)
      continue;
    for (Control* c : {&c_.chkTemp[i], &c_.txtMeasTemp[i], &c_.txtActualTemp[i],
                       &c_.lbldegCmeasured[i], &c_.lbldegCmeasured[i + 5]}) {
      c->SetVisible(false);
    }
  }
  if (!cfg.TS3Supported && !cfg.TS4Supported)
    c_.frmPackCal.SetTop(kPackFrameRaisedTop);
  // Row 0 is always in use; rows beyond the cell count stay visible but cannot be edited.
  for (size_t row = 1; row < 4; ++row) {
    const bool inUse = static_cast<int>(row) < m.CellCount;
    for (Control* c : {&c_.txtCalMeasVoltage[row], &c_.txtVoltage[row]}) {
      c->SetVisible(true);
      c->SetEnabled(inUse);
    }
    c_.lblCell[row].SetVisible(true);
  }
}

void NBCal::EnableControls() {
  SetActionControlsEnabled(true);
}

void NBCal::DisableControls() {
  SetActionControlsEnabled(false);
}

void NBCal::SetActionControlsEnabled(bool enabled) {
  for (Control* c : {&c_.btnCalCCCounter, &c_.btnCalibrate, &c_.btnPackVoltage, &c_.btnBoardOffset,
                     &c_.btnPackCurrent, &c_.btnRefreshGaugeData, &c_.chkVoltageCal}) {
    c->SetEnabled(enabled);
  }
  for (Control& box : c_.chkTemp)
    box.SetEnabled(enabled);
}

void NBCal::ShowPage(int page) {
  c_.picCalibration[0].SetVisible(page == 0);
  c_.picCalibration[1].SetVisible(page == 1);
}

void NBCal::SelectTab(int tab) {
  const int previous = c_.SStabCal.Value();
  if (tab == previous || tab < 0 || tab > 1)
    return;
  c_.SStabCal.SetValue(tab);
  SStabCal_Click(previous);
}

void NBCal::SStabCal_Click(int previousTab) {
  if (previousTab == 0)
    ShowPage(1);
  else if (previousTab == 1)
    ShowPage(0);
}

void NBCal::btncalpg1_Click() {
  c_.SStabCal.SetValue(1);
  ShowPage(1);
}

void NBCal::btncalpage2_Click() {
  c_.SStabCal.SetValue(0);
  ShowPage(0);
}

void NBCal::tmrScan_Timer() {
  // A tick that comes while the panel waits for the gauge (a calibration, or another tick)
  // would talk to the gauge in the middle of that exchange and enable the controls under it.
  if (!c_.chkUpdates.Checked() || calibrating_ || ticking_)
    return;
  ticking_ = true;
  bool completed = true;
  switch (Family()) {
    case DfType::RN44K18:
      if (CheckCommunication() != 0) {
        completed = false;
      } else if (RefreshMODGroups() != 0) {
        ShowMessage(kTickRefreshFailed);
        completed = false;
      } else {
        TransferCurrentValuestoGrid(kLiveVoltages);
        TransferCurrentValuestoGrid(kLiveTemperatures);
        ShowMeasurements(MeasurementsFromLiveTable());
      }
      break;
    case DfType::CEDV_PLUS:
      ReadandDisplayAllDeviceDataonDisplay();
      break;
    case DfType::QSPAN:
      SleepMs(kQspanTickWaitMs);
      RefreshMeasuredBoxes();
      break;
    case DfType::CEDV:
      RefreshMeasuredBoxes();
      break;
  }
  if (completed)
    EnableControls();
  ticking_ = false;
}

bool NBCal::Click(const Control& button) {
  if (button.Kind() != ControlKind::Button || !button.Reachable())
    return false;
  const std::pair<const Control*, void (NBCal::*)()> handlers[] = {
      {&c_.btncalpg1, &NBCal::btncalpg1_Click},
      {&c_.btncalpage2, &NBCal::btncalpage2_Click},
      {&c_.btnRefreshGaugeData, &NBCal::btnRefreshGaugeData_Click},
      {&c_.btnCalibrate, &NBCal::btnCalibrate_Click},
      {&c_.btnPackVoltage, &NBCal::btnPackVoltage_Click},
      {&c_.btnPackCurrent, &NBCal::btnPackCurrent_Click},
      {&c_.btnCalCCCounter, &NBCal::btnCalCCCounter_Click},
      {&c_.btnBoardOffset, &NBCal::btnBoardOffset_Click},
  };
  for (const auto& [control, handler] : handlers) {
    if (control == &button) {
      (this->*handler)();
      return true;
    }
  }
  return false;
}

Control* NBCal::Find(const std::string& name, int index) {
  for (Control* c : c_.all) {
    if (c->Name() == name && c->Index() == index)
      return c;
  }
  return nullptr;
}

}  // namespace gaugecal::panel
