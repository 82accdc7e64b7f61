#pragma once
// Every control of the calibration panel by the name the panel's code uses, with its design
// state (NBCalDesign.cpp): captions, tool tips, default texts and positions in twips. Labels
// the code never touches by name carry names of their own so a view can find them. A control
// array is a std::array indexed as the panel indexes it.

#include <array>
#include <vector>

#include "panel/Control.h"
#include "panel/Grid.h"
#include "panel/ScanTimer.h"

namespace gaugecal::panel {

struct NBCalControls {
  explicit NBCalControls(ChangeNotifier& notifier);
  NBCalControls(const NBCalControls&) = delete;
  NBCalControls& operator=(const NBCalControls&) = delete;

  // Every control, containers before what they contain.
  std::vector<Control*> all;

  // The panel itself.
  Control SStabCal;
  std::array<Control, 2> picCalibration;  // the two pages of SStabCal
  Control btnRefreshGaugeData;
  Control chkUpdates;
  ScanTimer tmrScan;
  Control txtVersion;
  Control lblCurrentValues;
  Grid displaygrid;
  Control lblCalDF;
  Grid DFGrid;
  std::array<Control, 2> lblScanWarning;  // one on each page

  // Page 0: voltage and temperature.
  Control frmVoltTemp;
  Control btnCalibrate;
  Control chkVoltageCal;
  Control lblVoltMeasured;
  Control lblVoltActual;
  std::array<Control, 4> lblCell;
  std::array<Control, 4> txtCalMeasVoltage;
  std::array<Control, 4> txtVoltage;
  Control lblCellCount;
  Control txtCellCount;
  Control lblBatteryVoltage;
  Control txtBatMeasured;
  Control txtBatVoltageActual;
  std::array<Control, 2> lblBatUnit;
  Control lblTempMeasured;
  Control lblTempActual;
  std::array<Control, 5> chkTemp;
  std::array<Control, 5> txtMeasTemp;
  std::array<Control, 5> txtActualTemp;
  std::array<Control, 10> lbldegCmeasured;  // 0-4 next to the measured, 5-9 the actual boxes
  Control lblVoltHelp;
  Control lblVTCalibration;
  Control imgCalDoneBox;
  Control frmPackCal;
  Control lblPackMeasured;
  Control txtPackMeasured;
  Control lblPackActual;
  Control txtPackActualVoltage;
  Control btnPackVoltage;
  Control imgPackVoltage;
  Control btncalpg1;

  // Page 1: current.
  Control frmCCOffset;
  Control btnCalCCCounter;
  Control lblCCOffsetHelp;
  Control imageCCOffsetDone;
  Control frmBoardOffset;
  Control btnBoardOffset;
  Control lblBoardOffsetHelp;
  Control ImgBoardOffset;
  Control frmCurrentCal;
  Control lblMeasuredCurrent;
  Control txtMeasuredCurrent;
  Control lblActualCurrent;
  Control txtActualCurrent;
  Control lblCurrentCal;
  Control btnPackCurrent;
  Control ImgPackCurrent;
  Control btncalpage2;

 private:
  Control& Add(Control& control, ControlKind kind, const char* name, int index,
               const Control* container, Twips geometry);
  ChangeNotifier& notifier_;
};

}  // namespace gaugecal::panel
