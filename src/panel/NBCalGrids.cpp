// The live grid, the data flash grid and the device-measured boxes of the calibration pages.

#include "calibration/Acquisition.h"
#include "calibration/DeviceMeasurements.h"
#include "config/Settings.h"
#include "device/HostLinkOps.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "panel/NBCal.h"
#include "platform/Platform.h"

namespace gaugecal::panel {

namespace {

constexpr int kGridLeft = 10000;
constexpr int kGridWidth = 2800;
constexpr int kRowHeight = 255;
constexpr int kLiveGridTop = 1000;
constexpr int kLiveLabelTop = 500;
constexpr int kLabelAboveGrid = 500;
constexpr int kLabelHeight = 255;
constexpr int kRn44k18DFGridTop = 5500;
constexpr int kDFGridTop = 2500;
constexpr int16_t kLiveRowsWithoutTS3 = 14;
constexpr int16_t kLiveRowsWithTS3 = 16;

const GridLayout kTwoColumns{.rows = 0,
                             .cols = 2,
                             .fixedRows = 1,
                             .fixedCols = 1,
                             .rowHeight = kRowHeight,
                             .colWidths = {kGridWidth / 20 * 12, kGridWidth / 20 * 8}};

GridLayout TwoColumns(int rows) {
  GridLayout layout = kTwoColumns;
  layout.rows = rows;
  return layout;
}

bool WriteName(Grid& grid, int row, const std::string& name) {
  return grid.SetCell(row, 0, {name, Alignment::Left, 8, false});
}

bool WriteValue(Grid& grid, int row, const std::string& value) {
  return grid.SetCell(row, 1, {value, Alignment::Right, 8, false});
}

DfType Family() {
  return Module().calConfig.DFType;
}

}  // namespace

void NBCal::WriteHeader(Grid& grid) {
  grid.SetCell(0, 0, {"Parameter", Alignment::Center, 9, true});
  grid.SetCell(0, 1, {"Value", Alignment::Center, 9, true});
  grid.SetRowUnit(0, "Unit");
}

void NBCal::InitGrid(int16_t gridTop, int16_t gridLeft, int16_t totalNumberOfRows) {
  Grid& grid = c_.displaygrid;
  grid.SetLayout(TwoColumns(totalNumberOfRows));
  // Tall enough for every row.
  grid.SetGeometry({gridLeft, gridTop, kGridWidth, kRowHeight * totalNumberOfRows + 60});
  WriteHeader(grid);
}

void NBCal::SetUpGGModeGrid() {
  c_.lblCurrentValues.SetGeometry({kGridLeft, kLiveLabelTop, kGridWidth, kLabelHeight});
  c_.lblCurrentValues.SetVisible(true);
  InitGrid(kLiveGridTop, kGridLeft,
           Module().calConfig.TS3Supported ? kLiveRowsWithTS3 : kLiveRowsWithoutTS3);
  const int16_t last = AddMODBlocktoGrid(1, kLiveVoltages);
  if (last < 0 || AddMODBlocktoGrid(static_cast<int16_t>(last + 1), kLiveTemperatures) < 0)
    ShowMessage("Error initializing voltage/temperature mode grid.");
}

int16_t NBCal::AddMODBlocktoGrid(int16_t iStartRow, int16_t dataIndex) {
  auto& live = Module().LiveTable;
  if (dataIndex < 0 || static_cast<size_t>(dataIndex) >= live.size())
    return -1;
  DisplayGroup& group = live[static_cast<size_t>(dataIndex)];
  Grid& grid = c_.displaygrid;
  if (!WriteName(grid, iStartRow, group.name) || !WriteValue(grid, iStartRow, "----"))
    return -1;
  int16_t row = iStartRow;
  for (int32_t k = 0; k < group.itemCount && k < static_cast<int32_t>(group.items.size()); ++k) {
    row = static_cast<int16_t>(iStartRow + 1 + k);
    DisplayItem& item = group.items[static_cast<size_t>(k)];
    if (!WriteName(grid, row, item.name))
      return -1;
    grid.SetRowUnit(row, item.unit);
    item.gridRow = row;
  }
  return row;
}

void NBCal::TransferCurrentValuestoGrid(int16_t Index) {
  const auto& live = Module().LiveTable;
  if (Index < 0 || static_cast<size_t>(Index) >= live.size())
    return;
  const DisplayGroup& group = live[static_cast<size_t>(Index)];
  for (int32_t k = 0; k < group.itemCount && k < static_cast<int32_t>(group.items.size()); ++k) {
    const DisplayItem& item = group.items[static_cast<size_t>(k)];
    if (item.gridRow > 0)  // row 0 is the header
      WriteValue(c_.displaygrid, item.gridRow, item.value);
  }
}

void NBCal::SetUpDFGrid() {
  ModuleState& m = Module();
  const CalConfig& cfg = m.calConfig;
  const int top = cfg.DFType == DfType::RN44K18 ? kRn44k18DFGridTop : kDFGridTop;
  c_.lblCalDF.SetGeometry({kGridLeft, top - kLabelAboveGrid, kGridWidth, kLabelHeight});
  ShowSensorRows();  // rows 3 and 4 of the external sensors, unless a location key unset them

  DisplayGroup& group = m.CalTable[static_cast<size_t>(CalGroupForFamily())];
  int shown = 0;
  for (const DisplayItem& item : group.items)
    shown += item.shown && !item.name.empty() ? 1 : 0;
  Grid& grid = c_.DFGrid;
  grid.SetLayout(TwoColumns(shown + 2));
  // As designed, the grid hides part of its last row (QSPAN a little more).
  const int height = kRowHeight * (shown + 1) - (cfg.DFType == DfType::QSPAN ? 100 : 50);
  grid.SetGeometry({kGridLeft, top, kGridWidth, height});
  WriteHeader(grid);
  bool ok = true;
  int row = 1;
  for (DisplayItem& item : group.items) {
    if (!item.shown || item.name.empty())
      continue;
    ok = WriteName(grid, row, item.name) && WriteValue(grid, row, item.value) && ok;
    grid.SetRowUnit(row, item.unit);
    item.gridRow = static_cast<int16_t>(row++);
  }
  if (!ok)
    ShowMessage("Error initializing Data Flash Grid.");
}

void NBCal::TransferCalValuesToDFGrid() {
  const DisplayGroup& group = Module().CalTable[static_cast<size_t>(CalGroupForFamily())];
  for (const DisplayItem& item : group.items) {
    if (item.shown && item.gridRow > 0)
      WriteValue(c_.DFGrid, item.gridRow, item.value);
  }
}

void NBCal::ReadandUpdateAllDFValues() {
  c_.tmrScan.SetEnabled(false);
  // A failed read keeps the grid as it was (the reader showed its message, where it has one).
  SessionHooks hooks;
  hooks.calibrationAreaRead = [this] { TransferCalValuesToDFGrid(); };
  ReadCalibrationArea(hooks);
  c_.tmrScan.SetEnabled(true);
}

void NBCal::ReadandDisplayAllDeviceDataonDisplay() {
  if (Family() == DfType::RN44K18) {
    RefreshMODGroups();
    TransferCurrentValuestoGrid(kLiveVoltages);
    TransferCurrentValuestoGrid(kLiveTemperatures);
    ShowMeasurements(MeasurementsFromLiveTable());
  } else if (Family() == DfType::CEDV_PLUS) {
    RefreshMeasuredBoxes();
  }
}

void NBCal::btnRefreshGaugeData_Click() {
  c_.btnRefreshGaugeData.SetEnabled(false);
  ReadandDisplayAllDeviceDataonDisplay();
  c_.btnRefreshGaugeData.SetEnabled(true);
}

int32_t NBCal::Mapk18portInternalTemptoSBSTemp() {
  if (Module().calConfig.IntTSSupported)
    c_.txtMeasTemp[0].SetText(ReadMappedInternalTemperature());
  return 0;
}

void NBCal::RefreshMeasuredBoxes() {
  ShowMeasurements(ReadDeviceMeasurements());
}

// A quantity the gauge's configuration does not report stays empty and leaves its box alone.
void NBCal::ShowMeasurements(const DeviceMeasurements& measured) {
  if (Module().platform)
    samples_.Add(Module().platform->ClockMs(), measured);
  const auto show = [](Control& box, const std::string& value) {
    if (!value.empty())
      box.SetText(value);
  };
  for (size_t i = 0; i < measured.stack.size(); ++i)
    show(c_.txtCalMeasVoltage[i], measured.stack[i]);
  show(c_.txtBatMeasured, measured.battery);
  show(c_.txtPackMeasured, measured.pack);
  for (size_t i = 0; i < measured.temperatures.size(); ++i)
    show(c_.txtMeasTemp[i], measured.temperatures[i]);
  show(c_.txtMeasuredCurrent, measured.current);
}

}  // namespace gaugecal::panel
