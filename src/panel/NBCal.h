#pragma once
// NBCal, the calibration panel, as a presentation model without a toolkit: its controls as
// plain state (NBCalControls), its public members in the panel's published order, the start-up
// checks, page switching, the scan tick, the live and data flash grids and the five
// calibration actions. A view creates one widget per control, follows the change
// notifications, writes what the technician types or ticks into the controls and passes
// clicks to Click. docs/panel.md describes it.
//
// The panel works on the module-wide state (device/ModuleState.h): the host sets the platform
// and the application directory there before start-up; the host link comes with Startup.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "calibration/CalibrationSession.h"
#include "panel/CalibrationProgress.h"
#include "panel/NBCalControls.h"
#include "panel/Plausibility.h"
#include "panel/ScanSamples.h"

namespace gaugecal {
class HostLink;
struct DeviceMeasurements;
}  // namespace gaugecal

namespace gaugecal::panel {

// Where start-up ended.
enum class StartupOutcome {
  NotStarted,
  ConfigurationMissing,  // controls enabled, timer off, grids not set up
  Sealed,                // controls enabled, timer off
  FirmwareNotConfirmed,  // controls enabled, timer off
  CellCountUnknown,      // controls enabled, timer on
  Ready,                 // every check passed: timer on, controls enabled
};

class NBCal {
 public:
  NBCal();
  ~NBCal();
  NBCal(const NBCal&) = delete;
  NBCal& operator=(const NBCal&) = delete;

  // Public members, in the panel's published order.
  std::string Caption() const;
  void SetTargetAddress(int16_t address);
  void SetKVMAC(int16_t value);
  int16_t TargetAddress() const;
  void SetTargetInfo(const std::string& info);
  bool GetConfigSection(const std::string& sDevVer, std::string& sDeviceConfigSection,
                        std::string& sVersionConfigSection) const;
  void SetUpGGModeGrid();
  void AlignTemperatureControls();
  void SetUpDFGrid();
  void InitGrid(int16_t gridTop, int16_t gridLeft, int16_t totalNumberOfRows);
  int16_t AddMODBlocktoGrid(int16_t iStartRow, int16_t dataIndex);
  void TransferCurrentValuestoGrid(int16_t Index);
  void ReadandUpdateAllDFValues();
  int32_t EnterCalibrationMode(int16_t mode = 0);
  int32_t ExitCalibrationMode();
  int32_t Mapk18portInternalTemptoSBSTemp();
  void ReadandDisplayAllDeviceDataonDisplay();

  // The container's start-up event: takes the host link for every later transfer and runs the
  // start-up checks.
  void Startup(HostLink& hostLink);
  StartupOutcome Outcome() const { return outcome_; }

  // Events of the controls. Click runs the click handler of a button and returns false, doing
  // nothing, when the button cannot be reached (it or a container hidden or disabled).
  bool Click(const Control& button);
  void SelectTab(int tab);  // the technician picks a tab of SStabCal
  void SStabCal_Click(int previousTab);
  void btncalpg1_Click();
  void btncalpage2_Click();
  void btnRefreshGaugeData_Click();
  void btnCalibrate_Click();
  void btnPackVoltage_Click();
  void btnPackCurrent_Click();
  void btnCalCCCounter_Click();
  void btnBoardOffset_Click();
  void tmrScan_Timer();

  NBCalControls& Controls() { return c_; }
  const NBCalControls& Controls() const { return c_; }
  // A control by name and array index (-1 for a single control), or nullptr.
  Control* Find(const std::string& name, int index = -1);

  // Asked before an action goes on with references that do not fit the gauge's readings;
  // without one the actions run on the page's own checks alone.
  void SetPlausibilityQuestion(PlausibilityQuestion question) {
    plausibilityQuestion_ = std::move(question);
  }

  // The calibration running now, for the window's status bar (not busy between runs). The
  // observer hears of every step as it begins, also of those that wait without letting the
  // window's events run (data flash writes).
  ProgressView Progress();
  void SetProgressObserver(std::function<void(const ProgressView&)> observer) {
    progressObserver_ = std::move(observer);
  }

  // Every reading of the live quantities since the panel was made, for the plot.
  const ScanSamples& Samples() const { return samples_; }

  int AddObserver(ControlObserver observer) { return notifier_.Add(std::move(observer)); }
  void RemoveObserver(int id) { notifier_.Remove(id); }

 private:
  // Start-up (NBCal.cpp).
  void InitPanel(HostLink& hostLink);
  void RunStartupChecks();
  void LayoutPanel();
  void ConfigureVoltTempPage();
  void EnableControls();
  void DisableControls();
  void SetActionControlsEnabled(bool enabled);
  void ShowPage(int page);
  SessionHooks Hooks();

  // Grids and measured boxes (NBCalGrids.cpp).
  void WriteHeader(Grid& grid);
  void TransferCalValuesToDFGrid();
  void ShowMeasurements(const DeviceMeasurements& measured);
  void RefreshMeasuredBoxes();

  // The plausibility guard (NBCalActions.cpp): true when the action may go on.
  bool ReferencesPlausible(const std::vector<ReferenceReading>& pairs);
  // One calibration with the panel's hooks, its progress followed from start to end.
  int32_t Run(CalibrationRequest& request, const CheckAfterEntry& checkAfterEntry = {});

  ChangeNotifier notifier_;
  NBCalControls c_;
  int16_t targetAddress_ = 0;
  int16_t kvmac_ = 0;
  std::string targetInfo_;
  StartupOutcome outcome_ = StartupOutcome::NotStarted;
  bool calibrating_ = false;  // between EnterCalibrationMode and ExitCalibrationMode
  bool ticking_ = false;      // a scan tick is running
  PlausibilityQuestion plausibilityQuestion_;
  CalibrationProgress progress_;
  ScanSamples samples_;
  std::function<void(const ProgressView&)> progressObserver_;
};

}  // namespace gaugecal::panel
