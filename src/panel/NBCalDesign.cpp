// The calibration panel as designed: every control with its caption, tool tip, default text,
// design visibility and position (twips, relative to its container). Start-up changes some of
// it (pages, grids, the voltage and temperature page for the gauge); everything else stays.

#include <string>

#include "panel/NBCalControls.h"

namespace gaugecal::panel {

namespace {

using K = ControlKind;

constexpr const char* kScanWarning =
    "Please ensure that scanning/communication is off on all other open windows.";
constexpr const char* kNoLoadHelp = "Ensure that no load current is flowing.";
constexpr const char* kCellLabels[4] = {"Cell 1", "Cell 1 + 2", "Cell 1 + 2 + 3",
                                        "Cell 1 + 2 + 3 + 4"};
constexpr const char* kCellDefaults[4] = {"4000", "8000", "12000", "16000"};
constexpr const char* kTempCaptions[5] = {"Internal Temp", "Ext 1 Temp", "Ext 2 Temp", "Ext 3 Temp",
                                          "Ext 4 Temp"};

// Rows of the voltage and temperature frame, and its three columns.
constexpr int kCellRowTop = 800;
constexpr int kTempRowTop = 3400;
constexpr int kRowPitch = 360;
constexpr int kNameLeft = 200;
constexpr int kMeasuredLeft = 1900;
constexpr int kActualLeft = 3200;
constexpr int kUnitOffset = 1040;  // unit label after a 1000-wide box
constexpr int kBoxWidth = 1000;
constexpr int kBoxHeight = 315;

}  // namespace

Control& NBCalControls::Add(Control& control, ControlKind kind, const char* name, int index,
                            const Control* container, Twips geometry) {
  all.push_back(&control);
  return control.Define(notifier_, kind, name, index, container, geometry);
}

NBCalControls::NBCalControls(ChangeNotifier& notifier) : notifier_(notifier) {
  // The panel: the tab control on the left, the grids on the right, the scan below.
  Add(SStabCal, K::TabControl, "SStabCal", -1, nullptr, {0, 0, 9950, 9650});
  Add(picCalibration[0], K::PictureBox, "picCalibration", 0, &SStabCal, {0, 450, 9950, 9200})
      .WithCaption("Voltage and Temperature");
  Add(picCalibration[1], K::PictureBox, "picCalibration", 1, &SStabCal, {0, 450, 9950, 9200})
      .WithCaption("Current")
      .Hidden();
  Add(btnRefreshGaugeData, K::Button, "btnRefreshGaugeData", -1, nullptr, {0, 9750, 2400, 400})
      .WithCaption("Read data from gauge")
      .WithToolTip("Read from device and update all values on the display.");
  Add(chkUpdates, K::CheckBox, "chkUpdates", -1, nullptr, {2600, 9800, 4200, 300})
      .WithCaption("Check for continuous display updates.");
  Add(tmrScan, K::Timer, "tmrScan", -1, nullptr, {}).SetValue(2000);
  tmrScan.SetEnabled(false);
  Add(txtVersion, K::Label, "txtVersion", -1, nullptr, {10000, 9800, 2800, 255});
  Add(lblCurrentValues, K::Label, "lblCurrentValues", -1, nullptr, {10000, 500, 2800, 255})
      .WithCaption("Gauge Values")
      .Hidden();
  Add(displaygrid, K::Grid, "displaygrid", -1, nullptr, {10000, 1000, 2800, 3600}).Hidden();
  Add(lblCalDF, K::Label, "lblCalDF", -1, nullptr, {10000, 2000, 2800, 255})
      .WithCaption("Calibration Dataflash")
      .Hidden();
  Add(DFGrid, K::Grid, "DFGrid", -1, nullptr, {10000, 2500, 2800, 4000}).Hidden();

  // Page 0, left: the voltage and temperature frame.
  Control* page = &picCalibration[0];
  Add(frmVoltTemp, K::Frame, "frmVoltTemp", -1, page, {120, 360, 4800, 8700})
      .WithCaption("Voltage and Temperature Calibration");
  const Control* frame = &frmVoltTemp;
  Add(chkVoltageCal, K::CheckBox, "chkVoltageCal", -1, frame, {kNameLeft, 240, 2600, 300})
      .WithCaption("Voltage Calibration");
  Add(lblVoltMeasured, K::Label, "lblVoltMeasured", -1, frame, {kMeasuredLeft, 560, 1200, 255})
      .WithCaption("Measured mV");
  Add(lblVoltActual, K::Label, "lblVoltActual", -1, frame, {kActualLeft, 560, 1200, 255})
      .WithCaption("Actual mV");
  for (int i = 0; i < 4; ++i) {
    const auto n = static_cast<size_t>(i);
    const int top = kCellRowTop + i * kRowPitch;
    Add(lblCell[n], K::Label, "lblCell", i, frame, {kNameLeft, top + 30, 1650, 255})
        .WithCaption(kCellLabels[n]);
    Add(txtCalMeasVoltage[n], K::TextBox, "txtCalMeasVoltage", i, frame,
        {kMeasuredLeft, top, kBoxWidth, kBoxHeight});
    Add(txtVoltage[n], K::TextBox, "txtVoltage", i, frame,
        {kActualLeft, top, kBoxWidth, kBoxHeight})
        .WithText(kCellDefaults[n]);
  }
  Add(lblCellCount, K::Label, "lblCellCount", -1, frame, {kNameLeft, 2290, 1650, 255})
      .WithCaption("Cell Count");
  Add(txtCellCount, K::TextBox, "txtCellCount", -1, frame,
      {kMeasuredLeft, 2260, kBoxWidth, kBoxHeight})
      .WithText("Cell Count");
  Add(lblBatteryVoltage, K::Label, "lblBatteryVoltage", -1, frame, {kNameLeft, 2650, 1650, 255})
      .WithCaption("Battery Voltage");
  Add(txtBatMeasured, K::TextBox, "txtBatMeasured", -1, frame,
      {kMeasuredLeft, 2620, kBoxWidth, kBoxHeight});
  Add(txtBatVoltageActual, K::TextBox, "txtBatVoltageActual", -1, frame,
      {kActualLeft, 2620, kBoxWidth, kBoxHeight});
  for (int i = 0; i < 2; ++i) {
    const int left = (i == 0 ? kMeasuredLeft : kActualLeft) + kUnitOffset;
    Add(lblBatUnit[static_cast<size_t>(i)], K::Label, "lblBatUnit", i, frame,
        {left, 2650, 400, 255})
        .WithCaption("mV");
  }
  Add(lblTempMeasured, K::Label, "lblTempMeasured", -1, frame, {kMeasuredLeft, 3100, 1200, 255})
      .WithCaption("Measured");
  Add(lblTempActual, K::Label, "lblTempActual", -1, frame, {kActualLeft, 3100, 1200, 255})
      .WithCaption("Actual");
  for (int i = 0; i < 5; ++i) {
    const auto n = static_cast<size_t>(i);
    const int top = kTempRowTop + i * kRowPitch;
    Add(chkTemp[n], K::CheckBox, "chkTemp", i, frame, {kNameLeft, top, 1650, 300})
        .WithCaption(kTempCaptions[n]);
    Add(txtMeasTemp[n], K::TextBox, "txtMeasTemp", i, frame,
        {kMeasuredLeft, top, kBoxWidth, kBoxHeight});
    Add(txtActualTemp[n], K::TextBox, "txtActualTemp", i, frame,
        {kActualLeft, top, kBoxWidth, kBoxHeight});
  }
  for (int i = 0; i < 10; ++i) {
    const int row = i % 5;
    const int left = (i < 5 ? kMeasuredLeft : kActualLeft) + kUnitOffset;
    Add(lbldegCmeasured[static_cast<size_t>(i)], K::Label, "lbldegCmeasured", i, frame,
        {left, kTempRowTop + row * kRowPitch + 30, 400, 255})
        .WithCaption("degC");
  }
  Add(btnCalibrate, K::Button, "btnCalibrate", -1, frame, {kNameLeft, 5250, 3800, 600})
      .WithCaption("Calibrate &Voltage and Temperature as indicated below");
  Add(imgCalDoneBox, K::Image, "imgCalDoneBox", -1, frame, {4100, 5310, 480, 480}).Hidden();
  Add(lblVoltHelp, K::Label, "lblVoltHelp", -1, frame, {kNameLeft, 6000, 4400, 900})
      .WithCaption(
          "Ensure voltage reference is stable. Calibration with cells connected is not "
          "recommended unless cells are in a state of rest. If using resistors simulating "
          "cells, resistance must be less than 300 ohms.");
  Add(lblVTCalibration, K::Label, "lblVTCalibration", -1, frame, {kNameLeft, 7000, 4400, 1500});

  // Page 0, right: the scan warning, pack voltage and the way to the second page.
  Add(lblScanWarning[0], K::Label, "lblScanWarning", 0, page, {5100, 400, 4700, 600})
      .WithCaption(kScanWarning);
  Add(frmPackCal, K::Frame, "frmPackCal", -1, page, {5100, 3600, 4730, 2300})
      .WithCaption("Pack Calibration");
  frame = &frmPackCal;
  Add(lblPackMeasured, K::Label, "lblPackMeasured", -1, frame, {200, 350, 1500, 255})
      .WithCaption("Measured mV");
  Add(txtPackMeasured, K::TextBox, "txtPackMeasured", -1, frame, {200, 650, 1400, kBoxHeight});
  Add(lblPackActual, K::Label, "lblPackActual", -1, frame, {1800, 350, 1500, 255})
      .WithCaption("Actual mV");
  Add(txtPackActualVoltage, K::TextBox, "txtPackActualVoltage", -1, frame,
      {1800, 650, 1400, kBoxHeight})
      .WithText("12000")
      .WithToolTip("Enter actual voltage.");
  Add(btnPackVoltage, K::Button, "btnPackVoltage", -1, frame, {200, 1250, 3300, 500})
      .WithCaption("&Calibrate Pack Voltage");
  Add(imgPackVoltage, K::Image, "imgPackVoltage", -1, frame, {3700, 1260, 480, 480}).Hidden();
  Add(btncalpg1, K::Button, "btncalpg1", -1, page, {5100, 8400, 4730, 500})
      .WithCaption("Continue calibrations on second page");

  // Page 1: the two offsets side by side, the current below.
  page = &picCalibration[1];
  Add(lblScanWarning[1], K::Label, "lblScanWarning", 1, page, {120, 60, 9700, 255})
      .WithCaption(kScanWarning);
  Add(frmCCOffset, K::Frame, "frmCCOffset", -1, page, {120, 400, 4800, 2400})
      .WithCaption("Coulomb Counter Offset Calibration");
  Add(btnCalCCCounter, K::Button, "btnCalCCCounter", -1, &frmCCOffset, {200, 400, 3300, 500})
      .WithCaption("&Calibrate Coulomb Counter");
  Add(imageCCOffsetDone, K::Image, "imageCCOffsetDone", -1, &frmCCOffset, {3700, 410, 480, 480})
      .Hidden();
  Add(lblCCOffsetHelp, K::Label, "lblCCOffsetHelp", -1, &frmCCOffset, {200, 1100, 4400, 600})
      .WithCaption(kNoLoadHelp);
  Add(frmBoardOffset, K::Frame, "frmBoardOffset", -1, page, {5030, 400, 4800, 2400})
      .WithCaption("Board Offset Calibration");
  Add(btnBoardOffset, K::Button, "btnBoardOffset", -1, &frmBoardOffset, {200, 400, 3300, 500})
      .WithCaption("Calibrate &Board Offset");
  Add(ImgBoardOffset, K::Image, "ImgBoardOffset", -1, &frmBoardOffset, {3700, 410, 480, 480})
      .Hidden();
  Add(lblBoardOffsetHelp, K::Label, "lblBoardOffsetHelp", -1, &frmBoardOffset,
      {200, 1100, 4400, 600})
      .WithCaption(kNoLoadHelp);
  Add(frmCurrentCal, K::Frame, "frmCurrentCal", -1, page, {120, 3000, 9710, 3400})
      .WithCaption("Pack Current Calibration");
  frame = &frmCurrentCal;
  Add(lblMeasuredCurrent, K::Label, "lblMeasuredCurrent", -1, frame, {200, 400, 1700, 255})
      .WithCaption("Measured mA");
  Add(txtMeasuredCurrent, K::TextBox, "txtMeasuredCurrent", -1, frame, {200, 700, 1600, kBoxHeight})
      .WithToolTip("Measured current");
  Add(lblActualCurrent, K::Label, "lblActualCurrent", -1, frame, {2000, 400, 1700, 255})
      .WithCaption("Actual mA");
  Add(txtActualCurrent, K::TextBox, "txtActualCurrent", -1, frame, {2000, 700, 1600, kBoxHeight})
      .WithText("-2000")
      .WithToolTip("Enter actual current");
  Add(lblCurrentCal, K::Label, "lblCurrentCal", -1, frame, {200, 1200, 9300, 900})
      .WithCaption(
          "Apply a 2 Ampere discharge load. Discharge current is a negative value.  Charge "
          "current is positive.   A voltage applied between Cell ground and Pack- will force "
          "current through sense resistor.");
  Add(btnPackCurrent, K::Button, "btnPackCurrent", -1, frame, {200, 2300, 3300, 500})
      .WithCaption("Calibrate &Pack Current");
  Add(ImgPackCurrent, K::Image, "ImgPackCurrent", -1, frame, {3700, 2310, 480, 480}).Hidden();
  Add(btncalpage2, K::Button, "btncalpage2", -1, page, {120, 8400, 3300, 500})
      .WithCaption("Back to first page")
      .WithToolTip("Go to first page.");
}

}  // namespace gaugecal::panel
