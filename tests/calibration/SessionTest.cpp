// The calibration session around the engine: entry and exit per family, an image that does not
// read the same twice, the page's messages around a failed entry, whole runs in a technician's
// order, and a refused transfer at every step of every run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "CalRig.h"
#include "calibration/CalibrationSession.h"

namespace gaugecal::test {
namespace {

using Texts = std::vector<std::string>;
constexpr CalibrationAction kActions[] = {
    CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
    CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
    CalibrationAction::PackCurrent};

// Each family with TS3 fitted, entering without and with a TS3 offset to compute. The area is
// refreshed between 10 and 20 ms at entry and exit; only RN44K18, and CEDV_PLUS for its TS3
// offset at entry, read the manufacturer blocks (MAC:0071); RN44K18 lets pending events (T, a
// due tick) run around its 200 ms.
TEST(CalibrationSession, EntryAndExitOfEachFamily) {
  const std::string rows =
      "CFE S:50 MAC:0100 S:3 S:20 RB:2F S:100 W:20 MAC:0101 S:3 W:20 RB:2F W:20";
  // family, one read of its area, the exit's steps before and after the area read, the events
  // of the exit from the area read on
  using Case = std::tuple<DfType, std::string, const char*, const char*, const char*>;
  for (const auto& [family, area, exit, afterArea, exitEvents] :
       {Case{DfType::CEDV, "RB:58", "MAC:F080 S:3 S:10", "", "AX"},
        Case{DfType::QSPAN, "CFE S:20 WW_:77=0068 S:5 RB:78", "MAC:F080 S:3 S:10", "", "AX"},
        Case{DfType::RN44K18, rows,
             "MAC:F080 S:3 S:10 MAC:0057 S:3 S:5 RB:23 MAC:002D S:3 S:10 MAC:0057 S:3 S:5 RB:23",
             " S:200 MAC:0071 RB:23 MAC:0072 RB:23 RW:0A", "ATMTX"},
        Case{DfType::CEDV_PLUS, rows,
             "MAC:F080 S:3 S:10 RW:74 RW_:74 MAC:002D S:3 S:10 RW:74 RW_:74", " RW:3B", "ATTMX"}}) {
    for (bool ts3 : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (ts3 ? " TS3" : ""));
      CalRig rig(Exact(family));
      Module().calConfig.TS3Supported = true;
      std::string events;  // B before the entry, A area read, M measurements, X after the exit
      DeviceMeasurements seen;
      const SessionHooks hooks{
          .beforeEntry = [&events] { events += "B"; },
          .calibrationAreaRead = [&events] { events += "A"; },
          .measurementsRead = [&](const DeviceMeasurements& d) { seen = d, events += "M"; },
          .afterExit = [&events] { events += "X"; }};
      rig.ClearTrace();
      EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput, hooks, ts3), 0);
      const bool rowFamily = family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
      EXPECT_EQ(Module().calModeFlag, rowFamily);
      EXPECT_EQ(rig.Gauge().CalibrationMode(), rowFamily);
      const std::string read = "S:10 " + area + " " + area + " S:20";
      EXPECT_THAT(rig.Steps(), ::testing::StartsWith(read));
      const bool plus = family == DfType::CEDV_PLUS;
      EXPECT_EQ(Count(rig.Steps(), "MAC:0071"), family == DfType::RN44K18 || (plus && ts3));
      // The averaged stream, then for CEDV and QSPAN the output request again. (CEDV_PLUS reads
      // the page's battery and pack voltage from a fresh raw block, which switches calibration
      // mode on and off again, on entry and after the exit.)
      EXPECT_EQ(Count(rig.Steps(), "MAC:002D"), rowFamily ? 1 + 2 * plus : 0);
      EXPECT_EQ(Count(rig.Steps(), "MAC:F081"), rowFamily ? 1 + plus : 5);
      EXPECT_EQ(events, rowFamily ? "BAM" : "BA");
      rig.ClearTrace();
      events.clear();
      const int tick = rig.platform.StartTimer(1, [&events] { events += "T"; });
      EXPECT_EQ(ExitCalibrationMode(hooks), 0);
      rig.platform.StopTimer(tick);
      EXPECT_THAT(rig.Steps(), ::testing::StartsWith(std::string(exit) + " " + read + afterArea));
      EXPECT_EQ(Count(rig.Steps(), "MAC:0071"), family == DfType::RN44K18);
      EXPECT_FALSE(rig.Gauge().CalibrationMode());
      EXPECT_EQ(events.substr(events.rfind('A')), exitEvents);
      if (rowFamily) {
        const sim::Reported now = rig.Gauge().ReportedNow();
        EXPECT_EQ(seen.stack[1], std::to_string(now.cellMv[0] + now.cellMv[1]));
        EXPECT_EQ(seen.temperatures[1], "25.0");
      }
      EXPECT_TRUE(rig.Messages().empty());
    }
  }
  // A run asks for the TS3 live reading only when it computes the TS3 offset.
  for (bool ts3Offset : {false, true}) {
    CalRig rig(Exact(DfType::CEDV_PLUS));
    Module().calConfig.TS3Supported = true;
    CalibrationRequest request = Request(CalibrationAction::VoltageTemperature);
    request.temperatureSelected = true;
    request.temps.Actual[ts3Offset ? 3 : 1] = 25.0;
    request.temps.Measured[1] = 25.0;
    RunCalibration(request);
    EXPECT_EQ(Count(rig.Steps(), "MAC:0071"), ts3Offset);
  }
}

// A refused row or subclass request makes the gauge answer the row or subclass selected before:
// the two reads of the image disagree and the session stops before it asks for calibration mode.
TEST(CalibrationSession, AnImageThatDoesNotReadTheSameTwiceStopsTheEntry) {
  for (const auto& [family, faults] : std::vector<std::pair<DfType, std::string>>{
           {DfType::RN44K18, "nack MAC #3"}, {DfType::QSPAN, "nack WW_:77 #3"}}) {
    CalRig rig(Exact(family, faults));
    if (family == DfType::QSPAN)
      rig.Link().WriteSMBusWord_(0x77, 64, kGaugeAddress);  // the registers subclass
    rig.ClearTrace();
    EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
    EXPECT_EQ(rig.Messages(), Texts{"Error reading calibration Dataflash.  Please check "
                                    "communications. Calibration not completed."});
    EXPECT_EQ(Count(rig.Steps(), "MAC:002D") + Count(rig.Steps(), "MAC:F081"), 0);
  }
  CalRig failing(Exact(DfType::QSPAN, "nack RB:78 #2"));  // the reader shows its own message
  EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
  EXPECT_EQ(failing.Messages().size(), 1U);
}

// A sealed gauge ignores the calibration-mode command, so entry fails at the mode check; the
// page's own message comes before or after the exit command.
TEST(CalibrationSession, ThePagesMessageComesInItsPlaceAroundTheExit) {
  // the action, the page's own message (or nullptr), and whether it comes before the exit
  using Case = std::tuple<CalibrationAction, const char*, bool>;
  for (const auto& [action, message, beforeExit] :
       {Case{CalibrationAction::VoltageTemperature, "Can not set to calibration mode.", false},
        Case{CalibrationAction::PackVoltage,
             "Unable to enter calibration mode. Pack voltage not calibrated.", false},
        Case{CalibrationAction::PackCurrent,
             "Error entering calibration mode executing Current Calibration.  Please check "
             "communications with part.",
             true},
        Case{CalibrationAction::CCOffset, nullptr, false},
        Case{CalibrationAction::BoardOffset,
             "Error entering calibration mode.  Please check communications with device.", true}}) {
    sim::Scenario s = Exact(DfType::RN44K18);
    s.security = sim::SecurityMode::Sealed;
    CalRig rig(s);
    rig.ClearTrace();
    Texts expected = {"Unable to request device to output cal values."};
    if (message)
      expected.push_back(message);
    rig.Expect(Request(action), {}, expected);
    const std::string steps = rig.Steps();
    EXPECT_EQ(steps.rfind("MSG") > steps.rfind("MAC:F080"), message && !beforeExit);
  }
  // CEDV and QSPAN report failed acquisitions and a stream that does not restart.
  CalRig stopped(Exact(DfType::CEDV, "stops t0"));
  EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
  EXPECT_EQ(stopped.Messages().back(),
            "Unable to gather raw calibration values from device. Please check communications "
            "with device.");
  CalRig noStream(Exact(DfType::QSPAN, "short RB:23 #9 x20"));  // after the eight acquired
  EXPECT_EQ(EnterCalibrationMode(kNormalRawOutput), 1);
  EXPECT_EQ(
      noStream.Messages(),
      Texts{"Could not enter Raw CEDV Calibration Mode. This calibration was not performed."});
}

// A successful coulomb counter offset calibration, then a board offset calibration whose first
// row read at entry is refused: leaving must not toggle the gauge back into calibration mode.
// With a page (the hook), CEDV_PLUS reads a raw block at exit, which needs the mode.
TEST(CalibrationSession, AFailedEntryAfterASuccessLeavesTheGaugeOutOfTheMode) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool page : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (page ? " page" : ""));
      SessionHooks hooks;
      if (page)
        hooks.measurementsRead = [](const DeviceMeasurements&) {};
      const auto run = [&hooks](CalibrationAction action) {
        CalibrationRequest request = Request(action);
        return RunCalibration(request, hooks);
      };
      CalRig clean(Exact(family));
      ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
      const int reads = Count(clean.Steps(), "RB:2F");
      CalRig rig(Exact(family, "nack RB:2F #" + std::to_string(reads + 1)));
      ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
      const auto area = rig.CalArea();
      EXPECT_EQ(run(CalibrationAction::BoardOffset), 1);
      EXPECT_EQ(rig.Messages(), (Texts{"Error reading calibration Dataflash.  Please check "
                                       "communications. Calibration not completed.",
                                       "Error entering calibration mode.  Please check "
                                       "communications with device."}));
      EXPECT_FALSE(rig.Gauge().CalibrationMode() || Module().calModeFlag);
      EXPECT_EQ(rig.CalArea(), area);
    }
  }
}

// An action outside the five (a front end newer than the engine) runs no calibration: the run
// fails, nothing is written and the gauge is left out of calibration mode.
TEST(CalibrationSession, AnActionTheEngineDoesNotKnowFailsAndWritesNothing) {
  CalRig rig(Exact(DfType::RN44K18));
  const auto area = rig.CalArea();
  EXPECT_EQ(rig.Run(Request(static_cast<CalibrationAction>(5))), 1);
  EXPECT_EQ(rig.CalArea(), area);
  EXPECT_FALSE(rig.Gauge().CalibrationMode() || Module().calModeFlag);
}

// All five calibrations in a technician's order on each family's built-in gauge (converter
// errors and noise included): every one succeeds, and afterwards the gauge reports the
// references. With the map on, CEDV and QSPAN gauges keep their area in the RN44K18 layout and
// have no pack gain to calibrate. bench_accuracy measures the same over many seeded gauges.
TEST(CalibrationRuns, TheGaugeReportsTheReferencesAfterwards) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool map : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (map ? " mapped" : ""));
      const bool own = family == DfType::CEDV || family == DfType::QSPAN;
      sim::Scenario s = sim::DefaultScenario(family);
      s.rowLayout = map && own;
      CalRig rig(s, map);
      for (CalibrationAction action : kActions) {
        if (action != CalibrationAction::PackVoltage || !s.rowLayout) {
          ASSERT_EQ(rig.Run(rig.ReferenceRequest(action)), 0) << rig.Messages().front();
        }
      }
      const sim::Reported r = rig.Gauge().ReportedNow();
      double stack = 0.0;
      for (size_t i = 0; i < static_cast<size_t>(s.cells); ++i) {
        stack += s.cellMv[i];
        EXPECT_NEAR(r.cellMv[i], s.cellMv[i], 1.5) << "cell " << i + 1;
      }
      EXPECT_NEAR(s.rowLayout ? stack : r.packMv, stack, stack * 0.001);
      EXPECT_NEAR(r.batteryMv, stack, stack * 0.001);
      EXPECT_NEAR(r.currentMa, -2000.0, 2000.0 * 0.002);
      for (size_t i = own ? 1 : 0; i < 3; ++i)  // CEDV and QSPAN have no internal offset
        EXPECT_NEAR(r.temperatureDeciK[i] / 10.0 - 273.2, s.temperatureC[i], 0.15) << i;
      // What the gauge subtracts from the counter now matches its offsets within a count.
      const double subtracted =
          (rig.Param(own && !map ? "CC Offset" : "Current Offset") + rig.Param("Board Offset")) /
          Module().ccOffsetSampleScale;
      EXPECT_NEAR(subtracted, s.ccOffsetCounts + s.boardOffsetCounts, 1.0);
    }
  }
}

// A refused transfer at every transfer of each run in turn (entry, engine and exit): a run
// never reports success unless the gauge holds exactly the constants of a clean run, always
// explains a failure, never leaves a byte that is neither old nor new, and never leaves the
// gauge in calibration mode or the flag saying so.
TEST(CalibrationRuns, EveryRefusedTransferEndsCleanly) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (CalibrationAction action : kActions) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + " " +
                   std::to_string(static_cast<int>(action)));
      struct Outcome {
        int32_t result;
        std::vector<uint8_t> flash;
        bool said, calMode;  // a message shown; the gauge in calibration mode or the flag set
        int64_t before, transfers;
      };
      const auto run = [family, action](const std::string& faults) {
        CalRig rig(Quiet(family, faults));
        CalibrationRequest request = rig.ReferenceRequest(action);
        const int64_t before = rig.Gauge().Transfers();
        const int32_t result = rig.Run(request);
        return Outcome{result,
                       rig.Gauge().Flash().Bytes(),
                       !rig.Messages().empty(),
                       rig.Gauge().CalibrationMode() || Module().calModeFlag,
                       before,
                       rig.Gauge().Transfers() - before};
      };
      const auto initial = CalRig(Quiet(family)).Gauge().Flash().Bytes();
      const Outcome clean = run("");
      ASSERT_EQ(clean.result, 0);
      ASSERT_FALSE(clean.said);
      ASSERT_NE(clean.flash, initial) << "the clean run must change something";
      int failures = 0;
      for (int64_t i = 1; i <= clean.transfers; ++i) {
        const Outcome r = run("nack #" + std::to_string(clean.before + i));
        for (size_t b = 0; b < r.flash.size(); ++b) {
          EXPECT_TRUE(r.flash[b] == initial[b] || r.flash[b] == clean.flash[b])
              << "transfer " << i << ": byte " << b << " is neither old nor new";
        }
        EXPECT_FALSE(r.calMode) << "transfer " << i;
        EXPECT_TRUE(r.result == 0 ? r.flash == clean.flash : r.result == 1 && r.said)
            << "transfer " << i << ": success without the constants or a failure unexplained";
        failures += r.result;
      }
      EXPECT_GT(failures, 0);
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
