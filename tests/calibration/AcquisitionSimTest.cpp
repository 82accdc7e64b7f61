// Raw calibration acquisition and measurement reads end to end through the simulated gauges:
// averages that match the gauge's converter counts, a rolling counter that repeats or stops, a
// raw block of the wrong length, and the "Err_Rd" paths.

#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/Acquisition.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "support/SimBench.h"

namespace gaugecal {
namespace {

using test::SimBench;
using Steps = std::vector<std::string>;

const std::string& RawValue(const std::string& name) {
  for (const auto& item : Module().LiveTable[kLiveRawCal].items) {
    if (item.name == name)
      return item.value;
  }
  static const std::string none = "(no row)";
  return none;
}

sim::Scenario Quiet(DfType family) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.noiseCounts = 0;
  s.currentMa = -2000;
  return s;
}

TEST(AcquisitionSim, AveragesAreTheGaugesRawCountsForEveryFamilyAndKind) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool offset : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (offset ? " offset" : " normal"));
      SimBench bench(Quiet(family));
      ASSERT_EQ(EnsureCalMode(), 0);
      ASSERT_EQ(AcquireRawCalValues(offset), 0);
      const sim::RawSample raw = bench.Gauge().RawNow(offset);
      EXPECT_EQ(RawValue("Status Byte"), offset ? "2" : "1");
      EXPECT_EQ(RawValue("Coulomb Counter"), std::to_string(raw.coulombCounter));
      EXPECT_EQ(RawValue("Cell Voltage 1"), std::to_string(raw.cell[0]));
      EXPECT_EQ(RawValue("Cell Voltage 3"), std::to_string(raw.cell[2]));
      EXPECT_EQ(RawValue("TInt"), std::to_string(raw.temperature[0]));
      EXPECT_EQ(RawValue("Pack Voltage"), std::to_string(raw.pack));
      EXPECT_EQ(RawValue("Bat Voltage"), std::to_string(raw.battery));
      EXPECT_TRUE(bench.Messages().empty());
    }
  }
}

TEST(AcquisitionSim, RepeatedCountersAreSkippedUntilFourFreshBlocksArrived) {
  SimBench bench(DfType::RN44K18);  // a new block every 250 ms, read every 100 ms or so
  ASSERT_EQ(EnsureCalMode(), 0);
  bench.ClearTrace();
  ASSERT_EQ(AcquireRawCalValues(false), 0);
  const auto reads = test::TraceOps(bench.Trace(), {"ReadSMBusBlock_"});
  EXPECT_GT(reads.size(), 4U);
  std::vector<std::string> counters;
  for (const auto& r : reads)
    counters.push_back(r["data"].get<std::string>().substr(0, 2));
  counters.erase(std::unique(counters.begin(), counters.end()), counters.end());
  EXPECT_EQ(counters.size(), 4U);  // each new counter counted once, the repeats skipped
  const Steps steps = bench.Steps();
  EXPECT_EQ((Steps{steps.begin(), steps.begin() + 4}),
            (Steps{"MAC:F081", "S:3", "D:250", "W:250"}));
  EXPECT_EQ(test::CountSteps(steps, "W:100"), static_cast<long>(reads.size()));
}

TEST(AcquisitionSim, ACounterThatStopsEndsWithTheCalibrationModeMessage) {
  struct Case {
    double afterMs;
    long reads;  // 0: at least eleven after the fresh ones
  };
  // Stopped from the start the counter stays 0, the value acquisition starts from, so even
  // the first block is stale: exactly eleven reads.
  for (const Case& c : {Case{0.0, 11}, Case{900.0, 0}}) {
    sim::Scenario s = sim::DefaultScenario(DfType::CEDV);
    s.faults.push_back({.kind = sim::FaultKind::CounterStops, .afterMs = c.afterMs});
    SimBench bench(s);
    Module().LiveTable[kLiveRawCal].items[3].value = "before";
    EXPECT_EQ(AcquireRawCalValues(false), 1);
    EXPECT_EQ(bench.Messages(), Steps{"Unable to enter calibration mode."});
    EXPECT_EQ(RawValue("Cell Voltage 1"), "before");
    const long reads = test::CountSteps(bench.Steps(), "RB:23");
    if (c.reads != 0) {
      EXPECT_EQ(reads, c.reads);
    } else {
      EXPECT_GT(reads, 11);
    }
  }
}

TEST(AcquisitionSim, ARawBlockOfTheWrongLengthStopsAcquisitionAndRestartsTheStream) {
  struct Case {
    sim::FaultKind kind;
    std::string length;
  };
  for (const Case& c :
       {Case{sim::FaultKind::ShortBlock, "25"}, Case{sim::FaultKind::LongBlock, "27"}}) {
    sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
    s.faults.push_back(
        {.kind = c.kind, .member = "ReadSMBusBlock_", .command = 0x23, .occurrence = 2});
    SimBench bench(s);
    Module().LiveTable[kLiveRawCal].items[3].value = "old";
    EXPECT_EQ(AcquireRawCalValues(false), 1);
    EXPECT_EQ(bench.Messages(),
              Steps{"Received Wrong Number Of Bytes in Raw Cal Block : " + c.length});
    const Steps t = bench.Steps();
    EXPECT_EQ((Steps{t.end() - 8, t.end()}),
              (Steps{"RB:23", "MAC:F080", "S:3", "S:100", "MAC:F081", "S:3", "S:3", "MSG"}));
    EXPECT_EQ(RawValue("Cell Voltage 1"), "old");
  }
  // A row gauge outside calibration mode answers the subcommand's 2-byte echo.
  SimBench bench(DfType::CEDV_PLUS);
  EXPECT_EQ(AcquireRawCalValues(true), 1);
  EXPECT_EQ(bench.Messages(), Steps{"Received Wrong Number Of Bytes in Raw Cal Block : 2"});
}

TEST(AcquisitionSim, FailedReadsShowErrRd) {
  struct Case {
    std::string member;
    int command;
    std::string commandText;
  };
  for (const Case& c :
       {Case{"ReadSMBusWord", 0x5A, "SBS,90"}, Case{"WriteSMBusWord_", 0x00, "MAC,113"},
        Case{"ReadSMBusWord", 0x00, "MAC,113"}}) {
    sim::Scenario s = sim::DefaultScenario(DfType::CEDV);
    s.faults.push_back({.kind = sim::FaultKind::Nack, .member = c.member, .command = c.command});
    SimBench bench(s);
    std::string result;
    EXPECT_EQ(readmeasurementfromdevice(c.commandText, "U2", result), 0);
    EXPECT_EQ(result, "Err_Rd") << c.member;
    EXPECT_TRUE(bench.Messages().empty());
  }
  sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
  s.faults.push_back({.kind = sim::FaultKind::Nack, .member = "ReadSMBusWord", .command = 0x39});
  SimBench bench(s);
  std::string c1, c2, c3, c4;
  ReadAltStackVoltages(c1, c2, c3, c4);
  const sim::Reported now = bench.Gauge().ReportedNow();
  EXPECT_EQ(c1, std::to_string(now.cellMv[0]));
  EXPECT_EQ(c2, std::to_string(now.cellMv[0] + now.cellMv[1]));
  EXPECT_EQ(c3, "Err_Rd");
  EXPECT_EQ(c4, "Err_Rd");
}

TEST(AcquisitionSim, MeasurementsReadThroughBothKindsOfCommandString) {
  SimBench bench(DfType::CEDV_PLUS);
  const sim::Reported now = bench.Gauge().ReportedNow();
  std::string pack;
  EXPECT_EQ(readmeasurementfromdevice("SBS,90", "U2", pack), 0);
  EXPECT_EQ(pack, std::to_string(now.packMv));
  std::string volts;
  EXPECT_EQ(readmeasurementfromdevice("MAC,113", "U2", volts), 0);  // 0x71: cell 1 first
  EXPECT_EQ(volts, std::to_string(now.cellMv[0]));
}

}  // namespace
}  // namespace gaugecal
