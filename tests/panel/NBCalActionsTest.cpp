// NBCal's five calibration buttons on simulated gauges: every entry check at and beyond its
// limit, with its message and title, nothing written and the gauge out of calibration mode
// after a refusal; one successful run of each action on each family.

#include <gtest/gtest.h>

#include <cmath>

#include "PanelRig.h"
#include "panel/PanelActions.h"
#include "session/DemoSession.h"

namespace gaugecal::test {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kBatteryConfig = "[DA05_1_02_1B_0003]\nDFType=RN44K18\nBatteryVSupported=1";

std::string Conversion(const std::string& description) {
  return "Invalid value entered! Error description: " + description;
}

struct Row {
  CalibrationAction action;
  Entries entries;
  std::string message;
  bool refused;  // false: the entries pass this check (its message does not appear)
  const char* title = "";
  const char* extraConfig = "";
};

// Voltage rows tick voltage calibration, temperature rows only "Ext 1 Temp"; the other boxes
// keep what the gauge filled in.
Row Volt(Entries e, std::string message, bool refused = true, const char* title = "") {
  e.insert(e.begin(), {"chkVoltageCal", "1"});
  return {CalibrationAction::VoltageTemperature, e, std::move(message), refused, title};
}
Row Battery(const char* actual, std::string message, bool refused = true) {
  Row row = Volt({{"txtBatVoltageActual", actual}}, std::move(message), refused);
  row.extraConfig = kBatteryConfig;
  return row;
}
Row Temp(const char* measured, const char* actual, std::string message, bool refused = true) {
  const Entries e = {
      {"chkTemp(1)", "1"}, {"txtMeasTemp(1)", measured}, {"txtActualTemp(1)", actual}};
  return {CalibrationAction::VoltageTemperature, e, std::move(message), refused};
}
Row Pack(const char* measured, const char* actual, std::string message, bool refused = true,
         const char* title = "") {
  const Entries e = {{"txtPackMeasured", measured}, {"txtPackActualVoltage", actual}};
  return {CalibrationAction::PackVoltage, e, std::move(message), refused, title};
}
Row Current(const char* measured, const char* actual, std::string message, bool refused = true) {
  const Entries e = {{"txtMeasuredCurrent", measured}, {"txtActualCurrent", actual}};
  return {CalibrationAction::PackCurrent, e, std::move(message), refused};
}

const std::string kTempLow =
    "Temperature Measured for Ext 1 Temp is low or no communications. Please correct. "
    "Calibration will be terminated.";
const std::string kCellOneLow =
    "Voltage Measured for Cell 1 by device is low or no communications. Please check.  "
    "Calibration will be terminated.";
const std::string kPackLow = "Pack Voltage entered appears low. Please enter a higher voltage.";
const std::string kPackHigh = "Pack Voltage entered appears high. Please enter a lower voltage.";
const std::string kCurrentRange =
    "Actual current entered is out of range. Please check value entered.  Calibration will be "
    "terminated.";
const std::string kCurrentLow =
    "Actual Current entered for current calibration is low. Please check value or increase "
    "current.";

TEST(NBCalActions, RefuseEntriesBeyondTheirLimits) {
  const Row rows[] = {
      {CalibrationAction::VoltageTemperature,
       {},
       "Voltage and Temperature calibration selected but no check boxes checked. There is "
       "nothing to do.",
       true},
      Volt({{"txtVoltage(1)", ""}},
           "Measured Cell voltage not entered for cell 2. Please enter measured voltage."),
      Volt({{"txtCalMeasVoltage(0)", "999"}}, kCellOneLow),
      Volt({{"txtCalMeasVoltage(0)", "1000"}}, kCellOneLow, false),
      Volt({{"txtCalMeasVoltage(1)", "Err_Rd"}},
           "Voltage Measured for Cell 2 by device is low or no communications. Please check.  "
           "Calibration will be terminated."),
      Volt({{"txtVoltage(2)", "8396"}},
           "Voltage entered for cell voltage 3 appears low. Please check value entered.  "
           "Calibration will be terminated."),
      Volt({{"txtVoltage(2)", "8397"}}, "Voltage entered for cell voltage 3 appears low.", false),
      Volt({{"txtVoltage(1)", "9001"}},
           "Voltage entered for cell voltage 2 appears high. Please check value entered.  "
           "Calibration will be terminated."),
      Volt({{"txtVoltage(1)", "9000"}}, "Voltage entered for cell voltage 2 appears high.", false),
      Volt({{"txtVoltage(0)", "4,000"}},
           Conversion("\"4,000\" for the actual voltage of Cell 1 is not a number: type digits "
                      "only, with an optional sign and decimal point, and no thousands "
                      "separator."),
           true, "Calibration"),
      Volt({{"txtVoltage(3)", "40000"}},
           Conversion("\"40000\" for the actual voltage of Cell 1 + 2 + 3 + 4 is outside the "
                      "range of -32768 to 32767."),
           true, "Calibration"),
      Battery("22001",
              "Measured Battery voltage is over 2 volts greater than stack voltage. Please "
              "check. Calibration will be terminiated."),
      Battery("22000", "Measured Battery voltage is over 2 volts greater than stack voltage.",
              false),
      Battery("7999",
              "Measured Battery voltage is lower than 2 volts below stack voltage. Please check. "
              "Calibration will be terminiated."),
      Battery("8000", "Measured Battery voltage is lower than 2 volts below stack voltage.", false),
      Temp("25.0", "",
           "Actual Temperature value not entered for Ext 1 Temp. Please enter actual "
           "temperature."),
      Temp("Err_Rd", "25.0", kTempLow),
      Temp("-0.1", "5.0", kTempLow),
      Temp("61.0", "85.0", "Temperature entered for Ext 1 Temp is high.", false),
      Temp("61.1", "85.1",
           "Temperature entered for Ext 1 Temp is high. Please correct. Calibration will be "
           "terminated."),
      Temp("10.0", "-0.1",
           "Temperature entered for Ext 1 Temp is low. Please correct. Calibration will be "
           "terminated."),
      Temp("25.0", "49.1",
           "Temperature entered for Ext 1 Temp is more than allowed. Correction is approximately "
           "12 deg K"),
      Pack("Err_Rd", "16000",
           "A value pack voltage measurement from device is not available. Please retry."),
      Pack("15000", "", "Please enter a value for measured Pack Voltage"),
      Pack("15000", "3999.9", kPackLow),
      Pack("15000", "4000", kPackLow, false),
      Pack("15000", "24000.1", kPackHigh),
      Pack("15000", "24000", kPackHigh, false),
      Pack("2999", "16000",
           "Pack Voltage measured by gauge is low. Please connect a voltage source to Pack +"),
      Pack("15000", "abc",
           Conversion("\"abc\" for the actual pack voltage is not a number: type digits only, "
                      "with an optional sign and decimal point, and no thousands separator."),
           true, "Calibration"),
      Current("-1990", "",
              "Actual Current not entered for current calibration. Please enter actual "
              "current."),
      Current("Err_Rd", "-2000",
              "Measured current reading not valid. Please check communication.  Calibration "
              "will be terminated."),
      Current("-1990", "-4000", kCurrentRange, false),
      Current("-1990", "-4000.1", kCurrentRange),
      Current("1990", "4000.1", kCurrentRange),
      Current("-1990", "0", kCurrentLow),
      Current("-1990", "0.005", kCurrentLow),
      Current("-1990", "2 A",
              Conversion("\"2 A\" for the actual current is not a number: type digits only, "
                         "with an optional sign and decimal point, and no thousands separator.")),
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    PanelRig rig(Quiet(DfType::RN44K18), row.extraConfig);
    ASSERT_EQ(rig.Start(), panel::StartupOutcome::Ready);
    const std::vector<uint8_t> area = rig.CalArea();
    rig.Enter(row.entries);
    rig.ClearTrace();
    ASSERT_TRUE(panel::Press(rig.panel, row.action));
    if (row.refused) {
      EXPECT_EQ(rig.Messages(), std::vector<std::string>{row.message});
      EXPECT_EQ(rig.platform.Messages().at(0).title, row.title);
      EXPECT_EQ(rig.Steps().find("WB:"), std::string::npos) << "a block written";
      EXPECT_EQ(rig.CalArea(), area);
    } else {
      for (const std::string& m : rig.Messages())
        EXPECT_EQ(m.find(row.message), std::string::npos) << m;
    }
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
    EXPECT_TRUE(rig.C().btnCalibrate.Enabled());
  }
}

// A technician's session through the panel on every family (the demo's: references typed for
// every calibration the page offers; the command-line test checks what the gauge reports
// afterwards): every calibration comes up done, and the page is back to normal with the data
// flash grid showing what the gauge now stores.
TEST(NBCalActions, EveryActionCalibratesEveryFamily) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    PanelRig rig(family);
    ASSERT_EQ(rig.Start(), panel::StartupOutcome::Ready);
    const std::vector<uint8_t> before = rig.CalArea();
    const std::vector<session::DemoStep> steps = session::RunDemoSession(rig.panel, rig.Gauge());
    ASSERT_EQ(steps.size(), 5U);
    for (const session::DemoStep& step : steps)
      EXPECT_TRUE(step.done) << session::ActionName(step.action) << ": " << rig.Messages().front();
    EXPECT_NE(rig.CalArea(), before);
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
    EXPECT_TRUE(rig.C().tmrScan.Enabled() && rig.C().btnPackCurrent.Enabled());
    const panel::Grid& grid = rig.C().DFGrid;
    for (int r = 1; r + 1 < grid.Layout().rows; ++r) {
      const sim::Param* p = rig.Gauge().Flash().Layout().Find(grid.Cell(r, 0).text);
      if (p->type != sim::ParamType::F4) {
        EXPECT_EQ(grid.Cell(r, 1).text, std::to_string(std::lround(rig.Gauge().Flash().Get(*p))));
      }
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
