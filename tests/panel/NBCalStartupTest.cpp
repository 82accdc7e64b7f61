// NBCal start-up against simulated gauges: where it ends with which messages, controls and
// timer, and how it shapes the voltage and temperature page and the grids for the gauge.

#include <gtest/gtest.h>

#include "PanelRig.h"

namespace gaugecal::test {
namespace {

using panel::StartupOutcome;

constexpr const char* kNoCommunication =
    "Unable to communicate with device.  Please ensure device is connected. After "
    "communications is established, close and restart Morvane.  Device will auto detect "
    "properly on startup.";
constexpr const char* kNoTarget =
    "Data Flash Configuration not found. Please obtain a version of Morvane that supports this "
    "device and Firmware version.";
constexpr const char* kDoNotUse =
    "Please do not use this tool for calibration. Some configuration information is missing to "
    "calibrate this device.";

sim::Scenario With(DfType family, void (*change)(sim::Scenario&)) {
  sim::Scenario s = QuietScenario(family);
  change(s);
  return s;
}

TEST(NBCalStartup, EndsWithTheOutcomeItsChecksDecide) {
  struct Case {
    const char* name;
    sim::Scenario scenario;
    AppDir appDir;
    bool calModeFlagBefore;  // an earlier panel in the process left the flag set
    StartupOutcome outcome;
    std::vector<std::string> messages;
    bool timerOn;
  } cases[] = {
      {"no answer",
       With(DfType::RN44K18,
            [](sim::Scenario& s) {
              s.faults.push_back({.kind = sim::FaultKind::NoAnswer, .occurrence = 0});
            }),
       AppDir::Sample,
       false,
       StartupOutcome::ConfigurationMissing,
       {kNoCommunication, kNoTarget, kDoNotUse},
       false},
      {"configuration missing",
       QuietScenario(DfType::QSPAN),
       AppDir::Empty,
       false,
       StartupOutcome::ConfigurationMissing,
       {kNoTarget, kDoNotUse},
       false},
      {"sealed",
       With(DfType::RN44K18, [](sim::Scenario& s) { s.security = sim::SecurityMode::Sealed; }),
       AppDir::Sample,
       false,
       StartupOutcome::Sealed,
       {"Pack is sealed. Please unseal device before performing calibration. Close and restart "
        "Morvane after unsealing so device and firmware version is detected correctly."},
       false},
      {"firmware not confirmed",
       With(DfType::RN44K18,
            [](sim::Scenario& s) {
              // The exit subcommand: the second subcommand after the security-mode request.
              s.faults.push_back({.kind = sim::FaultKind::Nack,
                                  .member = "WriteSMBusWord_",
                                  .command = 0x00,
                                  .occurrence = 2});
            }),
       AppDir::Sample,
       true,
       StartupOutcome::FirmwareNotConfirmed,
       {"Unable to confirm device is executing firmware. Please check communications. Close and "
        "restart Morvane after communications is established."},
       false},
      {"cell count unknown",
       With(DfType::RN44K18,
            [](sim::Scenario& s) {
              s.parameters.push_back({"System Configuration", 0});
            }),
       AppDir::Sample,
       false,
       StartupOutcome::CellCountUnknown,
       {"Unable to determine number of cells in use. Please check communications with device."},
       true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    PanelRig rig(c.scenario, "", c.appDir);
    Module().calModeFlag = c.calModeFlagBefore;
    EXPECT_EQ(rig.Start(), c.outcome);
    EXPECT_EQ(rig.Messages(), c.messages);
    EXPECT_EQ(rig.platform.Messages().front().icon,
              c.messages.front() == kNoCommunication ? MsgIcon::Critical : MsgIcon::None);
    EXPECT_EQ(rig.C().tmrScan.Enabled(), c.timerOn);
    EXPECT_TRUE(rig.C().btnCalibrate.Enabled());
    EXPECT_EQ(rig.C().DFGrid.Visible(), c.outcome != StartupOutcome::ConfigurationMissing);
    // The page keeps its design defaults until the cell count is known.
    EXPECT_EQ(rig.C().txtCellCount.Text(), "Cell Count");
    EXPECT_EQ(rig.C().txtPackActualVoltage.Text(), "12000");
  }
}

TEST(NBCalStartup, ReadyForEveryFamily) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    PanelRig rig(family);
    ASSERT_EQ(rig.Start(), StartupOutcome::Ready);
    const panel::NBCalControls& c = rig.C();
    EXPECT_TRUE(rig.Messages().empty());
    EXPECT_TRUE(c.tmrScan.Enabled());
    EXPECT_EQ(c.tmrScan.Value(), 2000);
    EXPECT_TRUE(c.btnCalibrate.Enabled() && c.chkVoltageCal.Enabled());
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
    EXPECT_EQ(c.txtCellCount.Text(), std::to_string(rig.Gauge().Settings().cells));
    EXPECT_EQ(Module().ccOffsetSampleScale, 64);
    EXPECT_EQ(c.displaygrid.Visible(), family == DfType::RN44K18);
    EXPECT_EQ(c.chkTemp[1].Caption(),
              family == DfType::CEDV ? "External Temperature" : "Ext 1 Temp");
    // The data flash grid: the family's calibration rows with what the gauge stores, its last
    // row empty and partly hidden.
    const panel::Grid& grid = c.DFGrid;
    const int rows = grid.Layout().rows;
    EXPECT_EQ(grid.Cell(0, 0).text, "Parameter");
    EXPECT_TRUE(grid.Cell(0, 1).bold);
    EXPECT_EQ(grid.Cell(rows - 1, 0).text, "");
    EXPECT_EQ(grid.Geometry().top, family == DfType::RN44K18 ? 5500 : 2500);
    EXPECT_EQ(c.lblCalDF.Geometry().top, grid.Geometry().top - 500);
    EXPECT_EQ(grid.Geometry().height, 255 * (rows - 1) - (family == DfType::QSPAN ? 100 : 50));
    EXPECT_EQ(grid.Layout().colWidths, (std::vector<int>{1680, 1120}));
    if (family == DfType::RN44K18) {
      // The live grid and the measured boxes show the same readings.
      EXPECT_EQ(c.displaygrid.Cell(9, 0).text, "Internal Temp");
      EXPECT_EQ(c.displaygrid.Cell(9, 1).text, c.txtMeasTemp[0].Text());
      EXPECT_EQ(c.displaygrid.Cell(2, 1).text, c.txtCalMeasVoltage[0].Text());
      EXPECT_NE(c.txtMeasTemp[0].Text(), "");
    }
    const sim::GaugeFlash& flash = rig.Gauge().Flash();
    for (int row = 1; row < rows - 1; ++row) {
      const auto param = flash.Layout().Find(grid.Cell(row, 0).text);
      ASSERT_TRUE(param) << grid.Cell(row, 0).text;
      EXPECT_DOUBLE_EQ(std::stod(grid.Cell(row, 1).text),
                       param->type == sim::ParamType::F4
                           ? std::round(flash.Get(*param) * 1000) / 1000
                           : flash.Get(*param))
          << grid.Cell(row, 0).text;
    }
  }
}

// The voltage page follows the cell count and the sensors and voltages config.ini offers.
TEST(NBCalStartup, ShapesThePageForTheGauge) {
  struct Case {
    const char* name;
    int cells;
    const char* extraConfig;
    std::array<bool, 3> rowsEnabled;  // cell rows 1 to 3 (row 0 always)
    std::array<bool, 5> sensorsShown;
    bool batteryShown;
    bool packFrameShown;
    int packFrameTop;
    int liveRows;
  } cases[] = {
      {"2 cells",
       2,
       "",
       {true, false, false},
       {true, true, true, false, false},
       false,
       true,
       2400,
       14},
      {"3 cells",
       3,
       "",
       {true, true, false},
       {true, true, true, false, false},
       false,
       true,
       2400,
       14},
      {"4 cells, sensors 3 and 4, battery, no pack voltage",
       4,
       "[DA05_1_02_1B_0003]\nDFType=RN44K18\nTS3Supported=1\nTS4Supported=1\nExtTS3=1,29\n"
       "ExtTS4=1,30\nIntTSSupported=0\nTS2Supported=0\nBatteryVSupported=1\nPackVSupported=0",
       {true, true, true},
       {false, true, false, true, true},
       true,
       false,
       3600,
       16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Scenario s = QuietScenario(DfType::RN44K18);
    s.cells = c.cells;
    PanelRig rig(s, c.extraConfig);
    ASSERT_EQ(rig.Start(), StartupOutcome::Ready);
    const panel::NBCalControls& p = rig.C();
    const std::string stack = std::to_string(c.cells * 4000);
    EXPECT_EQ(p.txtPackActualVoltage.Text(), stack);
    EXPECT_EQ(p.txtBatVoltageActual.Text(), c.batteryShown ? stack : "");
    EXPECT_TRUE(p.txtVoltage[0].Enabled());
    for (size_t row = 1; row < 4; ++row) {
      EXPECT_TRUE(p.txtVoltage[row].Visible() && p.lblCell[row].Visible());
      EXPECT_EQ(p.txtVoltage[row].Enabled(), c.rowsEnabled[row - 1]) << row;
      EXPECT_EQ(p.txtCalMeasVoltage[row].Enabled(), c.rowsEnabled[row - 1]) << row;
    }
    for (size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(p.chkTemp[i].Visible(), c.sensorsShown[i]) << i;
      EXPECT_EQ(p.txtActualTemp[i].Visible(), c.sensorsShown[i]) << i;
      EXPECT_EQ(p.lbldegCmeasured[i + 5].Visible(), c.sensorsShown[i]) << i;
      EXPECT_EQ(p.chkTemp[i].Geometry().left, 200);
    }
    EXPECT_EQ(p.txtBatMeasured.Visible(), c.batteryShown);
    EXPECT_EQ(p.lblBatteryVoltage.Visible(), c.batteryShown);
    EXPECT_EQ(p.frmPackCal.Visible(), c.packFrameShown);
    EXPECT_EQ(p.frmPackCal.Geometry().top, c.packFrameTop);
    EXPECT_EQ(p.displaygrid.Layout().rows, c.liveRows);
    // Sections read before the last one already gave the live table's fourth and fifth
    // temperature to the cell and FET sensors.
    EXPECT_EQ(p.displaygrid.Cell(13, 0).text, "FET Temp");
    bool ext3Row = false;
    for (int row = 0; row < p.DFGrid.Layout().rows; ++row)
      ext3Row = ext3Row || p.DFGrid.Cell(row, 0).text == "Ext 3 Temp Offset";
    EXPECT_EQ(ext3Row, c.sensorsShown[3]);
  }
}

TEST(NBCalPages, TabsAndButtonsShowOnePage) {
  PanelRig rig(DfType::RN44K18);
  rig.Start();
  panel::NBCalControls& c = rig.C();
  const auto shown = [&c] { return std::pair(c.picCalibration[0].Visible(), c.SStabCal.Value()); };
  EXPECT_EQ(shown(), std::pair(true, 0));
  EXPECT_FALSE(rig.panel.Click(c.btnCalCCCounter));  // on the hidden page
  EXPECT_TRUE(rig.panel.Click(c.btncalpg1));
  EXPECT_EQ(shown(), std::pair(false, 1));
  EXPECT_TRUE(c.picCalibration[1].Visible());
  rig.panel.SelectTab(0);
  EXPECT_EQ(shown(), std::pair(true, 0));
  rig.panel.SStabCal_Click(0);  // the tab control reports the tab it left
  EXPECT_FALSE(c.picCalibration[0].Visible());
  rig.panel.Click(c.btncalpage2);
  EXPECT_EQ(shown(), std::pair(true, 0));
}

// A view follows the panel through its notifications: one per changed property, none when a
// value is set to what it already is.
TEST(NBCalNotifications, OnePerChangedProperty) {
  PanelRig rig(DfType::QSPAN);
  std::vector<std::string> seen;
  rig.panel.AddObserver([&seen](const panel::ControlChange& change) {
    seen.push_back(change.control.Key() + ":" + std::to_string(static_cast<int>(change.property)) +
                   ":" + std::to_string(change.row) + "," + std::to_string(change.col));
  });
  rig.Start();
  const auto count = [&seen](const std::string& prefix) {
    return std::count_if(seen.begin(), seen.end(),
                         [&prefix](const std::string& s) { return s.rfind(prefix, 0) == 0; });
  };
  const auto text = std::to_string(static_cast<int>(panel::Property::Text));
  EXPECT_EQ(count("txtCellCount:" + text), 1);
  EXPECT_EQ(count("txtVoltage(0):"), 0);
  const auto cell = std::to_string(static_cast<int>(panel::Property::Cell));
  EXPECT_EQ(count("DFGrid:" + cell + ":1,0"), 1);  // "Sense Resistor Gain" written once
  seen.clear();
  rig.C().txtVoltage[0].SetText("4000");
  EXPECT_TRUE(seen.empty());
  rig.C().txtVoltage[0].SetText("4100");
  EXPECT_EQ(seen, std::vector<std::string>{"txtVoltage(0):" + text + ":-1,-1"});
}

}  // namespace
}  // namespace gaugecal::test
