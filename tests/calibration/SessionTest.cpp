// The calibration session's bus side: what entry and exit send per family, the hooks, a
// calibration image that does not read the same twice, and the order of the calibration page's
// messages around a failed entry.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "calibration/CalibrationSession.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

bool IsMacWrite(const nlohmann::json& e, uint16_t subcommand) {
  return e["op"] == "WriteSMBusWord_" && e["cmd"] == 0 &&
         static_cast<uint16_t>(e.value("word", 0)) == subcommand;
}

int CountMacWrites(const std::vector<nlohmann::json>& trace, uint16_t subcommand) {
  int n = 0;
  for (const auto& e : trace)
    n += IsMacWrite(e, subcommand) ? 1 : 0;
  return n;
}

TEST(SessionEntry, CedvAndQspanPassWithoutACalibrationModeFlag) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    SCOPED_TRACE(DfTypeName(family));
    CalRig rig(ExactScenario(family));
    ASSERT_FALSE(Module().calModeFlag);
    const size_t start = rig.Trace().size();
    EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
    EXPECT_TRUE(rig.Messages().empty());
    EXPECT_FALSE(Module().calModeFlag);
    const auto trace = rig.Trace();
    const std::vector<nlohmann::json> entry(trace.begin() + static_cast<std::ptrdiff_t>(start),
                                            trace.end());
    EXPECT_EQ(CountMacWrites(entry, kCalMode), 0);
    EXPECT_GE(CountMacWrites(entry, kRaw), 2);  // the averaged stream, then the restart
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
    const size_t start = rig.Trace().size();
    EXPECT_EQ(ExitCalibrationMode(), 0);
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
    const auto trace = rig.Trace();
    // Exit first (stops the stream), then the calibration-mode toggle.
    size_t exitAt = 0, calModeAt = 0;
    for (size_t i = start; i < trace.size(); ++i) {
      if (exitAt == 0 && IsMacWrite(trace[i], kExit))
        exitAt = i;
      if (calModeAt == 0 && IsMacWrite(trace[i], kCalMode))
        calModeAt = i;
    }
    EXPECT_GT(exitAt, 0u);
    EXPECT_GT(calModeAt, exitAt);
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

int CountWrites(const std::vector<nlohmann::json>& trace, int command) {
  int n = 0;
  for (const auto& e : trace)
    n += e["op"] == "WriteSMBusWord_" && e["cmd"] == command ? 1 : 0;
  return n;
}

// A refused row or subclass request makes the gauge answer the row or subclass selected
// before: the two reads of the image disagree and the session stops, with its message, before
// the gauge is asked for calibration mode.
TEST(SessionEntry, ImageThatDoesNotReadTheSameTwiceStopsTheEntry) {
  struct Case {
    DfType family;
    int selectCommand;  // the access register (row requests) or the subclass select
  } cases[] = {{DfType::RN44K18, 0x00}, {DfType::QSPAN, 0x77}};
  for (const Case& c : cases) {
    SCOPED_TRACE(DfTypeName(c.family));
    sim::Scenario s = ExactScenario(c.family);
    const int before = CountWrites(CalRig(s).Trace(), c.selectCommand);
    // The registers subclass selected last, or row 0 refused after row 1 was read.
    const int refused = c.family == DfType::QSPAN ? before + 2 : before + 1;
    s.faults.push_back({.kind = sim::FaultKind::Nack,
                        .member = "WriteSMBusWord_",
                        .command = c.selectCommand,
                        .occurrence = refused});
    CalRig rig(s);
    if (c.family == DfType::QSPAN)
      rig.WriteWord(0x77, 64);
    const size_t start = rig.Trace().size();
    EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
    EXPECT_EQ(rig.Messages(),
              std::vector<std::string>{"Error reading calibration Dataflash.  Please check "
                                       "communications. Calibration not completed."});
    const auto trace = rig.Trace();
    const std::vector<nlohmann::json> entry(trace.begin() + static_cast<std::ptrdiff_t>(start),
                                            trace.end());
    EXPECT_EQ(CountMacWrites(entry, kCalMode), 0);
    EXPECT_EQ(CountMacWrites(entry, kRaw), 0);
  }
}

struct EntryFailureCase {
  CalibrationAction action;
  const char* message;  // the page's own message, or nullptr
  bool beforeExit;
};

class EntryFailureTest : public ::testing::TestWithParam<EntryFailureCase> {};

// A sealed gauge ignores the calibration-mode command, so entry fails at the mode check.
TEST_P(EntryFailureTest, PageMessageComesInItsPlaceAroundTheExit) {
  const EntryFailureCase c = GetParam();
  sim::Scenario s = ExactScenario(DfType::RN44K18);
  s.security = sim::SecurityMode::Sealed;
  CalRig rig(s);
  const auto before = rig.Area();
  const size_t start = rig.Trace().size();
  EXPECT_EQ(rig.Run(Request(c.action)), 1);
  EXPECT_EQ(rig.Area(), before);
  std::vector<std::string> expected = {"Unable to request device to output cal values."};
  if (c.message)
    expected.push_back(c.message);
  EXPECT_EQ(rig.Messages(), expected);
  if (!c.message)
    return;
  const auto trace = rig.Trace();
  size_t messageAt = 0, exitAt = 0;
  for (size_t i = start; i < trace.size(); ++i) {
    if (trace[i]["op"] == "MsgBox" && trace[i]["text"] == c.message)
      messageAt = i;
    if (IsMacWrite(trace[i], kExit))
      exitAt = i;  // the last exit command: the one that leaves
  }
  EXPECT_EQ(messageAt < exitAt, c.beforeExit);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, EntryFailureTest,
    ::testing::Values(
        EntryFailureCase{CalibrationAction::VoltageTemperature, "Can not set to calibration mode.",
                         false},
        EntryFailureCase{CalibrationAction::PackVoltage,
                         "Unable to enter calibration mode. Pack voltage not calibrated.", false},
        EntryFailureCase{CalibrationAction::PackCurrent,
                         "Error entering calibration mode executing Current Calibration.  Please "
                         "check communications with part.",
                         true},
        EntryFailureCase{CalibrationAction::CCOffset, nullptr, false},
        EntryFailureCase{CalibrationAction::BoardOffset,
                         "Error entering calibration mode.  Please check communications with "
                         "device.",
                         true}));

}  // namespace
}  // namespace gaugecal::test
