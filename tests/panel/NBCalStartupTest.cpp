// NBCal start-up against simulated gauges: where it ends with which messages, controls and
// timer, and how it shapes the voltage and temperature page and the grids for the gauge.

#include <gtest/gtest.h>

#include <tuple>

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

TEST(NBCalStartup, EndsWithTheOutcomeItsChecksDecide) {
  sim::Scenario sealed = Quiet(DfType::RN44K18), noCells = sealed;
  sealed.security = sim::SecurityMode::Sealed;
  noCells.parameters.push_back({"System Configuration", 0});
  const std::string missing = std::string(kNoTarget) + "|" + kDoNotUse;
  // scenario, application directory, the flag an earlier panel in the process left set,
  // outcome, messages ("|" between), scan timer on
  using Case = std::tuple<sim::Scenario, AppDir, bool, StartupOutcome, std::string, bool>;
  for (const auto& [scenario, appDir, flagBefore, outcome, said, timerOn] :
       {Case{Quiet(DfType::RN44K18, "noanswer #0"), AppDir::Sample, false,
             StartupOutcome::ConfigurationMissing, kNoCommunication + ("|" + missing), false},
        Case{Quiet(DfType::QSPAN), AppDir::Empty, false, StartupOutcome::ConfigurationMissing,
             missing, false},
        Case{sealed, AppDir::Sample, false, StartupOutcome::Sealed,
             "Pack is sealed. Please unseal device before performing calibration. Close and "
             "restart Morvane after unsealing so device and firmware version is detected "
             "correctly.",
             false},
        // The exit subcommand: the second subcommand after the security-mode request.
        Case{Quiet(DfType::RN44K18, "nack MAC #2"), AppDir::Sample, true,
             StartupOutcome::FirmwareNotConfirmed,
             "Unable to confirm device is executing firmware. Please check communications. "
             "Close and restart Morvane after communications is established.",
             false},
        Case{noCells, AppDir::Sample, false, StartupOutcome::CellCountUnknown,
             "Unable to determine number of cells in use. Please check communications with "
             "device.",
             true}}) {
    SCOPED_TRACE(said);
    PanelRig rig(scenario, "", appDir);
    Module().calModeFlag = flagBefore;
    EXPECT_EQ(rig.Start(), outcome);
    std::string shown;
    for (const std::string& m : rig.Messages())
      shown += (shown.empty() ? "" : "|") + m;
    EXPECT_EQ(shown, said);
    EXPECT_EQ(rig.platform.Messages().front().icon,
              said.rfind(kNoCommunication, 0) == 0 ? MsgIcon::Critical : MsgIcon::None);
    EXPECT_EQ(rig.C().tmrScan.Enabled(), timerOn);
    EXPECT_TRUE(rig.C().btnCalibrate.Enabled());
    EXPECT_EQ(rig.C().DFGrid.Visible(), outcome != StartupOutcome::ConfigurationMissing);
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
    EXPECT_EQ(grid.RowUnit(0), "Unit");
    EXPECT_EQ(grid.RowUnit(rows - 1), "");
    EXPECT_EQ(grid.Geometry().top, family == DfType::RN44K18 ? 5500 : 2500);
    if (family == DfType::RN44K18) {
      // The live grid and the measured boxes show the same readings.
      EXPECT_EQ(c.displaygrid.Cell(9, 0).text, "Internal Temp");
      EXPECT_EQ(c.displaygrid.Cell(9, 1).text, c.txtMeasTemp[0].Text());
      EXPECT_EQ(c.displaygrid.Cell(2, 1).text, c.txtCalMeasVoltage[0].Text());
      // Each row's unit beside it, from the display tables; none on a group's own row.
      EXPECT_EQ(c.displaygrid.RowUnit(9), "degC");
      EXPECT_EQ(c.displaygrid.RowUnit(2), "mV");
      EXPECT_EQ(c.displaygrid.RowUnit(1), "");
      for (int row = 1; row < rows - 1; ++row)
        if (grid.Cell(row, 0).text == "Int Temp Offset") {
          EXPECT_EQ(grid.RowUnit(row), ".1 deg C");
        }
      EXPECT_NE(c.txtMeasTemp[0].Text(), "");
    }
    // A scan tick on QSPAN sleeps its 20 ms: a wait would run a click inside the tick.
    rig.C().chkUpdates.SetChecked(true);
    rig.ClearTrace();
    rig.panel.tmrScan_Timer();
    EXPECT_EQ(rig.Steps().rfind(family == DfType::QSPAN ? "S:20 RW:3B" : "R", 0), 0U);
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
  // cells, config.ini section, cell rows 1 to 3 enabled (row 0 always), sensors shown, battery
  // shown, pack frame shown and its top, live grid rows
  using Case =
      std::tuple<int, const char*, std::array<bool, 3>, std::array<bool, 5>, bool, bool, int, int>;
  for (const auto& [cells, extraConfig, rowsEnabled, sensorsShown, batteryShown, packFrameShown,
                    packFrameTop, liveRows] :
       {Case{2, "", {true, false, false}, {true, true, true, false, false}, false, true, 2400, 14},
        Case{3, "", {true, true, false}, {true, true, true, false, false}, false, true, 2400, 14},
        Case{4,
             "[DA05_1_02_1B_0003]\nDFType=RN44K18\nTS3Supported=1\nTS4Supported=1\nExtTS3=1,29\n"
             "ExtTS4=1,30\nIntTSSupported=0\nTS2Supported=0\nBatteryVSupported=1\nPackVSupported=0",
             {true, true, true},
             {false, true, false, true, true},
             true,
             false,
             3600,
             16},
        // A sensor's support flag hides its row even where a location key gives it an offset.
        Case{4,
             "[DA05_1_02_1B_0003]\nDFType=RN44K18\nTS3Supported=1\nTS4Supported=0\nExtTS3=1,29\n"
             "ExtTS4=1,30\nIntTSSupported=0\nTS2Supported=0\nBatteryVSupported=1\nPackVSupported=0",
             {true, true, true},
             {false, true, false, true, false},
             true,
             false,
             3600,
             16}}) {
    SCOPED_TRACE(cells);
    sim::Scenario s = Quiet(DfType::RN44K18);
    s.cells = cells;
    PanelRig rig(s, extraConfig);
    ASSERT_EQ(rig.Start(), StartupOutcome::Ready);
    const panel::NBCalControls& p = rig.C();
    const std::string stack = std::to_string(cells * 4000);
    EXPECT_EQ(p.txtPackActualVoltage.Text(), stack);
    EXPECT_EQ(p.txtBatVoltageActual.Text(), batteryShown ? stack : "");
    EXPECT_TRUE(p.txtVoltage[0].Enabled());
    for (size_t row = 1; row < 4; ++row) {
      EXPECT_TRUE(p.txtVoltage[row].Visible() && p.lblCell[row].Visible());
      EXPECT_EQ(p.txtVoltage[row].Enabled(), rowsEnabled[row - 1]) << row;
      EXPECT_EQ(p.txtCalMeasVoltage[row].Enabled(), rowsEnabled[row - 1]) << row;
    }
    for (size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(p.chkTemp[i].Visible(), sensorsShown[i]) << i;
      EXPECT_EQ(p.txtActualTemp[i].Visible(), sensorsShown[i]) << i;
      EXPECT_EQ(p.lbldegCmeasured[i + 5].Visible(), sensorsShown[i]) << i;
    }
    EXPECT_EQ(p.txtBatMeasured.Visible(), batteryShown);
    EXPECT_EQ(p.lblBatteryVoltage.Visible(), batteryShown);
    EXPECT_EQ(p.frmPackCal.Visible(), packFrameShown);
    EXPECT_EQ(p.frmPackCal.Geometry().top, packFrameTop);
    EXPECT_EQ(p.displaygrid.Layout().rows, liveRows);
    // Sections read before the last one already gave the live table's fourth and fifth
    // temperature to the cell and FET sensors.
    EXPECT_EQ(p.displaygrid.Cell(13, 0).text, "FET Temp");
    bool ext3Row = false, ext4Row = false;
    for (int row = 0; row < p.DFGrid.Layout().rows; ++row) {
      ext3Row = ext3Row || p.DFGrid.Cell(row, 0).text == "Ext 3 Temp Offset";
      ext4Row = ext4Row || p.DFGrid.Cell(row, 0).text == "Ext 4 Temp Offset";
    }
    EXPECT_EQ(ext3Row, sensorsShown[3]);
    EXPECT_EQ(ext4Row, sensorsShown[4]);
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

// The first dot splits the device section off, at whatever position it stands.
TEST(NBCalMembers, GetConfigSectionSplitsAtTheFirstDot) {
  using Case = std::tuple<const char*, bool, const char*, const char*>;
  for (const auto& [text, split, device, version] :
       {Case{"abc.1.2", true, "abc", "abc_1_2"}, Case{".1.2", true, "", "_1_2"},
        Case{"abc", false, "kept", "kept"}}) {
    std::string d = "kept", v = "kept";
    EXPECT_EQ(panel::NBCal().GetConfigSection(text, d, v), split) << text;
    EXPECT_EQ(d + "|" + v, std::string(device) + "|" + version) << text;
  }
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
