// Measurement reads and raw calibration acquisition. End to end through the simulated gauges:
// averages that match the gauge's converter counts, a rolling counter that repeats or stops, a
// raw block of the wrong length, and the "Err_Rd" paths. Against scripted answers, for what the
// simulated gauge cannot produce: command string parsing, word decoding, cumulative stack
// voltages, averages of differing blocks (halves to even, signed fields), the blocks a fresh
// raw read skips and the family dispatch of the calibration buffer.

#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/Acquisition.h"
#include "calibration/CalAreaGuard.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "support/ScriptedBench.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

using Steps = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

const std::string& RawValue(const std::string& name) {
  for (const auto& item : Module().LiveTable[kLiveRawCal].items) {
    if (item.name == name)
      return item.value;
  }
  static const std::string none = "(no row)";
  return none;
}

TEST(AcquisitionSim, AveragesAreTheGaugesRawCountsForEveryFamilyAndKind) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool offset : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (offset ? " offset" : " normal"));
      sim::Scenario s = QuietScenario(family);
      s.currentMa = -2000;
      SimBench bench(s);
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
  const auto reads = TraceOps(bench.Trace(), {"ReadSMBusBlock_"});
  EXPECT_GT(reads.size(), 4U);
  std::vector<std::string> counters;
  for (const auto& r : reads)
    counters.push_back(r["data"].get<std::string>().substr(0, 2));
  counters.erase(std::unique(counters.begin(), counters.end()), counters.end());
  EXPECT_EQ(counters.size(), 4U);  // each new counter counted once, the repeats skipped
  const Steps steps = bench.Steps();
  EXPECT_EQ((Steps{steps.begin(), steps.begin() + 4}),
            (Steps{"MAC:F081", "S:3", "D:250", "W:250"}));
  EXPECT_EQ(CountSteps(steps, "W:100"), static_cast<long>(reads.size()));
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
    const long reads = CountSteps(bench.Steps(), "RB:23");
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

TEST(AcquisitionSim, MeasurementsReadThroughBothKindsOfCommandStringOrShowErrRd) {
  SimBench good(DfType::CEDV_PLUS);
  const sim::Reported reported = good.Gauge().ReportedNow();
  std::string pack, volts;
  EXPECT_EQ(readmeasurementfromdevice("SBS,90", "U2", pack), 0);
  EXPECT_EQ(pack, std::to_string(reported.packMv));
  EXPECT_EQ(readmeasurementfromdevice("MAC,113", "U2", volts), 0);  // 0x71: cell 1 first
  EXPECT_EQ(volts, std::to_string(reported.cellMv[0]));

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

TEST(Measurement, CommandStringsAreCheckedForFormatLengthAndShape) {
  const std::string badFormat =
      "Format specified in function readmeasurementfromdevice is not supported.";
  const std::string badLength =
      "Error in length of read command string in function readmeasurementfromdevice.";
  const std::string badShape =
      "Error in format of read command string in function readmeasurementfromdevice.";
  struct Case {
    std::string command;
    std::string format;
    int32_t result;
    std::string message;  // empty: none
  };
  for (const Case& c : {Case{"SBS,9", "U2", 0, ""}, Case{"S,9", "U2", 1, badLength},
                        Case{"SBS,", "U2", 1, badShape}, Case{"SBS9", "U2", 1, badShape},
                        Case{",SBS9", "U2", 1, badShape}, Case{"SBS,x9", "I2", 1, badShape},
                        Case{"SBS,70000", "I2", 1, badShape}, Case{" SBS , 9 ", "I1", 0, ""},
                        Case{"SBS,9", "U1", 1, badFormat}, Case{"SBS,9", "u2", 1, badFormat}}) {
    ScriptedBench bench(DfType::CEDV);
    std::string result = "unchanged";
    EXPECT_EQ(readmeasurementfromdevice(c.command, c.format, result), c.result) << c.command;
    EXPECT_EQ(bench.Messages(), c.message.empty() ? Steps{} : Steps{c.message}) << c.command;
    if (c.result == 0) {
      EXPECT_EQ(bench.Transfers(), Steps{"RW:09"});
    } else {
      EXPECT_TRUE(bench.Steps().size() == 1) << c.command;  // the message box only
    }
  }
}

TEST(Measurement, WordsDecodeByFormatAndFailedReadsGiveErrRd) {
  struct Case {
    std::string command;
    std::string format;
    int16_t word;
    int32_t status;
    std::string text;
  };
  const auto w8000 = static_cast<int16_t>(0x8000);
  for (const Case& c :
       {Case{"SBS,9", "U2", w8000, 0, "32768"}, Case{"SBS,9", "I2", w8000, 0, "-32768"},
        Case{"SBS,9", "I1", -1, 0, "65535"}, Case{"SBS,9", "I2", 2982, 0, "2982"},
        Case{"XYZ,9", "U2", 5, 0, "0"}}) {
    ScriptedBench bench(DfType::QSPAN);
    const int16_t command = c.command.rfind("MAC", 0) == 0 ? 0 : 9;
    bench.link.QueueWord("ReadSMBusWord", command, c.word, c.status);
    std::string result;
    EXPECT_EQ(readmeasurementfromdevice(c.command, c.format, result), 0);
    EXPECT_EQ(result, c.text) << c.command << " " << c.format;
  }
}

TEST(StackVoltages, AreCumulativeAndStopAtTheFirstFailedRead) {
  struct Case {
    bool alt;
    bool altConfigured;
    int failAt;  // -1: none
    Steps commands;
    std::array<std::string, 4> texts;
  };
  const Steps normal{"RW:3F", "RW:3E", "RW:3D", "RW:3C"};
  const Steps alt{"RW:3B", "RW:3A", "RW:39", "RW:38"};
  for (const Case& c :
       {Case{false, false, -1, normal, {"3700", "7410", "11100", "14805"}},
        Case{false, true, -1, alt, {"3700", "7410", "11100", "14805"}},
        Case{true, false, -1, alt, {"3700", "7410", "11100", "14805"}},
        Case{false, false, 2, {"RW:3F", "RW:3E", "RW:3D"}, {"3700", "7410", "Err_Rd", "Err_Rd"}},
        Case{true, false, 0, {"RW:3B"}, {"Err_Rd", "Err_Rd", "Err_Rd", "Err_Rd"}}}) {
    ScriptedBench bench(DfType::CEDV);
    Module().calConfig.ReadAltCellVoltages = c.altConfigured;
    const int16_t first = c.alt || c.altConfigured ? 0x3B : 0x3F;
    const std::array<int16_t, 4> volts{3700, 3710, 3690, 3705};
    for (int k = 0; k < 4; ++k) {
      bench.link.QueueWord("ReadSMBusWord", static_cast<int16_t>(first - k), volts[k],
                           k == c.failAt ? 1 : 0);
    }
    std::array<std::string, 4> out;
    if (c.alt) {
      ReadAltStackVoltages(out[0], out[1], out[2], out[3]);
    } else {
      ReadStackVoltages(out[0], out[1], out[2], out[3]);
    }
    EXPECT_EQ(out, c.texts);
    EXPECT_EQ(bench.Transfers(), c.commands);
  }
}

// A raw calibration block with every cell voltage set to cell and the counter given.
Bytes RawBlock(uint8_t counter, uint16_t cell) {
  Bytes b(26, 0);
  b[0] = counter;
  b[1] = 1;
  for (size_t off = 4; off <= 10; off += 2) {
    b[off] = static_cast<uint8_t>(cell & 0xFF);
    b[off + 1] = static_cast<uint8_t>(cell >> 8);
  }
  return b;
}

TEST(RawAcquisition, AveragesDivideBySamplesAskedAndRoundHalvesToEven) {
  struct Case {
    std::vector<uint16_t> cells;
    std::string average;
  };
  for (const Case& c :
       {Case{{20501, 20502}, "20502"}, Case{{20500, 20501}, "20500"}, Case{{3, 4, 4, 4}, "4"}}) {
    ScriptedBench bench(DfType::CEDV);
    Module().calConfig.NumSamples = static_cast<int16_t>(c.cells.size());
    uint8_t counter = 1;
    for (uint16_t v : c.cells)
      bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(counter++, v)});
    EXPECT_EQ(AcquireRawCalValues(true), 0);
    EXPECT_EQ(RawValue("Cell Voltage 4"), c.average);
    EXPECT_EQ(bench.Steps().front(), "MAC:F082");
  }
}

TEST(RawAcquisition, SignedFieldsAverageAsSigned) {
  ScriptedBench bench(DfType::QSPAN);
  Module().calConfig.NumSamples = 2;
  Bytes a = RawBlock(1, 0);
  a[2] = 0x9C;  // coulomb counter -100
  a[3] = 0xFF;
  a[24] = 0xFF;  // battery voltage 65535 (unsigned)
  a[25] = 0xFF;
  Bytes b = a;
  b[0] = 2;
  b[2] = 0xCE;  // -50
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, a});
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, b});
  EXPECT_EQ(AcquireRawCalValues(false), 0);
  EXPECT_EQ(RawValue("Coulomb Counter"), "-75");
  EXPECT_EQ(RawValue("Bat Voltage"), "65535");
}

TEST(FreshRawBlock, UsesTheFixedOutputCommandAndWaitsForANewCounter) {
  ScriptedBench bench(DfType::CEDV_PLUS);
  Module().calConfig.outputCalValuesCommand = 0x0999;
  bench.link.QueueWord("ReadSMBusWord_", 0x74, static_cast<int16_t>(0x8000));
  Bytes offsetKind = RawBlock(3, 1);
  offsetKind[1] = 2;
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, offsetKind});
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(4, 1)});
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(4, 1)});
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(5, 3700)});
  std::array<uint8_t, 256> buffer{};
  FetchFreshRawBlock(buffer);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(buffer[4] | buffer[5] << 8, 3700);
  const Steps transfers = bench.Transfers();
  EXPECT_EQ(CountSteps(transfers, "MAC:F081"), 1);
  EXPECT_EQ(CountSteps(transfers, "RB:23"), 4);
}

TEST(CalBufferDispatch, EachFamilyUsesItsOwnAddressing) {
  struct Case {
    DfType family;
    std::string readStart;
    std::string writeStart;
  };
  for (const Case& c :
       {Case{DfType::CEDV, "RB:58", "MAC:F080"}, Case{DfType::QSPAN, "CFE", "CFE"},
        Case{DfType::RN44K18, "CFE", "CFE"}, Case{DfType::CEDV_PLUS, "CFE", "CFE"}}) {
    ScriptedBench bench(c.family);
    ReadCalBuffer();
    const Steps read = bench.Transfers();
    EXPECT_EQ(read.front(), c.readStart);
    const bool rows = c.family == DfType::RN44K18 || c.family == DfType::CEDV_PLUS;
    EXPECT_EQ(CountSteps(read, "MAC:0100"), rows ? 1 : 0);
    EXPECT_EQ(CountSteps(read, "WW_:77=0068"), c.family == DfType::QSPAN ? 1 : 0);
    bench.ClearTrace();
    // The script answers no read: the buffer stands for the image read, so the write (after
    // its backup) goes to the gauge.
    NoteCalAreaRead(0, 64);
    WriteCalBuffer();
    ASSERT_FALSE(bench.Transfers().empty());
    EXPECT_EQ(bench.Transfers().front(), c.writeStart);
  }
  ScriptedBench unknown(static_cast<DfType>(7));
  EXPECT_EQ(ReadCalBuffer(), 0);
  EXPECT_EQ(WriteCalBuffer(), 0);
  EXPECT_TRUE(unknown.Steps().empty());
}

}  // namespace
}  // namespace gaugecal::test
