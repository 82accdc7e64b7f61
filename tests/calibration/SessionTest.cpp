// The calibration session's bus side: what entry and exit send per family, the hooks, a
// calibration image that does not read the same twice, and the order of the calibration page's
// messages around a failed entry.

#include <gtest/gtest.h>

#include <algorithm>

#include "CalRig.h"
#include "calibration/CalibrationSession.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

using Steps = std::vector<std::string>;

TEST(SessionEntry, CedvAndQspanPassWithoutACalibrationModeFlag) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    SCOPED_TRACE(DfTypeName(family));
    CalRig rig(ExactScenario(family));
    rig.ClearTrace();
    EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
    EXPECT_TRUE(rig.Messages().empty());
    EXPECT_FALSE(Module().calModeFlag);
    const Steps entry = rig.Transfers();
    EXPECT_EQ(CountSteps(entry, "MAC:002D"), 0);
    EXPECT_GE(CountSteps(entry, "MAC:F081"), 2);  // the averaged stream, then the restart
    EXPECT_NE(Module().LiveTable[kLiveRawCal].items[3].value, "");  // "Cell Voltage 1"
  }
}

// (With a page to show, CEDV_PLUS reads its battery and pack voltage from a fresh raw block
// afterwards, which asks for calibration mode again.)
TEST(SessionExit, RowFamiliesLeaveTheGaugeOutOfCalibrationMode) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    CalRig rig(ExactScenario(family));
    ASSERT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
    EXPECT_TRUE(rig.Gauge().CalibrationMode());
    EXPECT_TRUE(Module().calModeFlag);
    rig.ClearTrace();
    EXPECT_EQ(ExitCalibrationMode(), 0);
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
    // Exit first (stops the stream), then the calibration-mode toggle.
    const Steps exit = rig.Transfers();
    const auto exitAt = std::find(exit.begin(), exit.end(), "MAC:F080");
    EXPECT_NE(exitAt, exit.end());
    EXPECT_NE(std::find(exitAt, exit.end(), "MAC:002D"), exit.end());
  }
}

TEST(SessionHooks, SeeTheImageAndTheLiveReadings) {
  CalRig rig(ExactScenario(DfType::RN44K18));
  int areas = 0;
  DeviceMeasurements seen;
  SessionHooks hooks;
  hooks.calibrationAreaRead = [&areas] { ++areas; };
  hooks.measurementsRead = [&seen](const DeviceMeasurements& d) { seen = d; };
  ASSERT_EQ(EnterCalibrationMode(kNormalRawOutput, hooks), 0);
  EXPECT_EQ(areas, 1);
  const sim::Reported now = rig.Gauge().ReportedNow();
  EXPECT_EQ(seen.stack[1], std::to_string(now.cellMv[0] + now.cellMv[1]));
  EXPECT_EQ(seen.temperatures[1], "25.0");
  ExitCalibrationMode(hooks);
  EXPECT_EQ(areas, 2);
}

// A refused row or subclass request makes the gauge answer the row or subclass selected
// before: the two reads of the image disagree and the session stops, with its message, before
// the gauge is asked for calibration mode.
TEST(SessionEntry, ImageThatDoesNotReadTheSameTwiceStopsTheEntry) {
  struct Case {
    DfType family;
    int selectCommand;  // the access register (row requests) or the subclass select
    const char* prefix;
  } cases[] = {{DfType::RN44K18, 0x00, "MAC:"}, {DfType::QSPAN, 0x77, "WW_:77="}};
  for (const Case& c : cases) {
    SCOPED_TRACE(DfTypeName(c.family));
    sim::Scenario s = ExactScenario(c.family);
    const Steps setup = CalRig(s).Transfers();
    const auto before = std::count_if(setup.begin(), setup.end(), [&c](const std::string& t) {
      return t.rfind(c.prefix, 0) == 0;
    });
    // The registers subclass selected last, or row 0 refused after row 1 was read.
    s.faults.push_back(
        {.kind = sim::FaultKind::Nack,
         .member = "WriteSMBusWord_",
         .command = c.selectCommand,
         .occurrence = static_cast<int>(before) + (c.family == DfType::QSPAN ? 2 : 1)});
    CalRig rig(s);
    if (c.family == DfType::QSPAN)
      rig.WriteWord(0x77, 64);
    rig.ClearTrace();
    EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
    EXPECT_EQ(rig.Messages(), Steps{"Error reading calibration Dataflash.  Please check "
                                    "communications. Calibration not completed."});
    EXPECT_EQ(CountSteps(rig.Transfers(), "MAC:002D"), 0);
    EXPECT_EQ(CountSteps(rig.Transfers(), "MAC:F081"), 0);
  }
}

// A sealed gauge ignores the calibration-mode command, so entry fails at the mode check; the
// page's own message comes before or after the exit command.
TEST(SessionEntry, PageMessageComesInItsPlaceAroundTheExit) {
  struct Case {
    CalibrationAction action;
    const char* message;  // the page's own message, or nullptr
    bool beforeExit;
  } cases[] = {
      {CalibrationAction::VoltageTemperature, "Can not set to calibration mode.", false},
      {CalibrationAction::PackVoltage,
       "Unable to enter calibration mode. Pack voltage not calibrated.", false},
      {CalibrationAction::PackCurrent,
       "Error entering calibration mode executing Current Calibration.  Please check "
       "communications with part.",
       true},
      {CalibrationAction::CCOffset, nullptr, false},
      {CalibrationAction::BoardOffset,
       "Error entering calibration mode.  Please check communications with device.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    sim::Scenario s = ExactScenario(DfType::RN44K18);
    s.security = sim::SecurityMode::Sealed;
    CalRig rig(s);
    rig.ClearTrace();
    Steps expected = {"Unable to request device to output cal values."};
    if (c.message)
      expected.push_back(c.message);
    rig.Expect(Request(c.action), {}, expected);
    // The last exit command is the one that leaves; the page's message is the last one.
    const Steps steps = rig.Steps();
    const auto exitAt = std::find(steps.rbegin(), steps.rend(), "MAC:F080");
    if (!c.message)
      continue;
    const auto messageAt = std::find(steps.rbegin(), steps.rend(), "MSG");
    EXPECT_EQ(messageAt > exitAt, c.beforeExit);
  }
}

}  // namespace
}  // namespace gaugecal::test
