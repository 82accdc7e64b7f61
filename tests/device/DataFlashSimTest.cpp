// Data flash access end to end through the simulated gauges: what each family's read and write
// paths put on the bus (ordering, commands, lengths, settle times), that a verified write leaves
// the new image in the gauge, the retries, the verification failures and the cell counts.

#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/Acquisition.h"
#include "device/DataFlash.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "support/SimBench.h"

namespace gaugecal {
namespace {

using test::SimBench;
using Steps = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

const std::string kQspanDescription =
    std::string(GAUGECAL_SAMPLE_APPDIR) + "/dataflash/qspan_450.gdf.json";

bool RowFamily(DfType f) {
  return f == DfType::RN44K18 || f == DfType::CEDV_PLUS;
}

TEST(DataFlashSim, EachFamilyReadsItsCalibrationAreaInItsOwnScheme) {
  struct Case {
    DfType family;
    Steps steps;
    size_t length;
  };
  for (const Case& c : {
           Case{DfType::CEDV, {"RB:58"}, 64},
           Case{DfType::QSPAN, {"CFE", "S:20", "WW_:77=0068", "S:5", "RB:78"}, 32},
           Case{DfType::RN44K18,
                {"CFE", "S:50", "MAC:0100", "S:3", "S:20", "RB:2F", "S:100", "W:20", "MAC:0101",
                 "S:3", "W:20", "RB:2F", "W:20"},
                64},
           Case{DfType::CEDV_PLUS,
                {"CFE", "S:50", "MAC:0100", "S:3", "S:20", "RB:2F", "S:100", "W:20", "MAC:0101",
                 "S:3", "W:20", "RB:2F", "W:20"},
                64},
       }) {
    SCOPED_TRACE(DfTypeName(c.family));
    SimBench bench(c.family);
    EXPECT_EQ(ReadCalBuffer(), 0);
    EXPECT_EQ(bench.Steps(), c.steps);
    const Bytes area = bench.CalArea();
    EXPECT_TRUE(std::equal(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(c.length),
                           Module().calBuffer.begin()));
    for (const auto& e : test::TraceOps(bench.Trace(), {"ReadSMBusBlock_"}))
      EXPECT_EQ(e["len"], c.length == 64 && RowFamily(c.family) ? 32 : c.length);
    EXPECT_TRUE(bench.Messages().empty());
  }
}

// Changes one byte in every row or block of the calibration area.
void EditCalBuffer(DfType family) {
  auto& b = Module().calBuffer;
  b[1] ^= 0x5A;
  b[20] ^= 0x33;
  if (RowFamily(family))
    b[40] ^= 0x0F;
}

const Steps kRowsWrite = {"CFE",      "MAC:F080", "S:3",      "S:100",    "MAC:0100", "S:3",
                          "S:3",      "S:3",      "WB:2F/32", "S:200",    "CFE",      "MAC:0100",
                          "S:3",      "S:3",      "RB:2F",    "MAC:0101", "S:3",      "S:3",
                          "WB:2F/32", "S:200",    "MAC:0101", "S:3",      "S:3",      "RB:2F"};

TEST(DataFlashSim, AWriteStoresTheNewImageAndReadsItBackAfterTheSettleTime) {
  struct Case {
    DfType family;
    Steps steps;  // the write, its settle times and the read-back
    size_t length;
  };
  for (const Case& c : {
           Case{DfType::CEDV, {"MAC:F080", "S:3", "S:150", "WB:58/64", "W:132", "RB:58"}, 64},
           Case{DfType::QSPAN,
                {"CFE", "S:20", "WW_:77=0068", "S:10", "RB:78", "WW_:77=0068", "S:5", "WB:78/32",
                 "S:132", "CFE", "S:20", "WW_:77=0068", "S:5", "RB:78"},
                32},
           Case{DfType::RN44K18, kRowsWrite, 64},
           Case{DfType::CEDV_PLUS, kRowsWrite, 64},
       }) {
    SCOPED_TRACE(DfTypeName(c.family));
    SimBench bench(c.family);
    ASSERT_EQ(ReadCalBuffer(), 0);
    EditCalBuffer(c.family);
    const Bytes image(Module().calBuffer.begin(),
                      Module().calBuffer.begin() + static_cast<std::ptrdiff_t>(c.length));
    bench.ClearTrace();
    EXPECT_EQ(WriteCalBuffer(), 0);
    EXPECT_TRUE(bench.Messages().empty());
    EXPECT_EQ(bench.Steps(), c.steps);
    const Bytes area = bench.CalArea();
    EXPECT_EQ(Bytes(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(c.length)), image);
  }
}

TEST(DataFlashSim, AShortPageIsReadAgainUntilItComesBackWhole) {
  sim::Scenario s = sim::DefaultScenario(DfType::CEDV);
  s.faults.push_back({.kind = sim::FaultKind::ShortBlock,
                      .member = "ReadSMBusBlock_",
                      .command = 0x58,
                      .occurrence = 1,
                      .count = 2,
                      .bytes = 3});
  SimBench bench(s);
  EXPECT_EQ(ReadCEDVCalBlocks(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"RB:58", "W:20", "S:100", "RB:58", "W:20", "S:100", "RB:58"}));
  const Bytes area = bench.CalArea();
  EXPECT_TRUE(std::equal(area.begin(), area.end(), Module().calBuffer.begin()));

  s.faults[0].count = 9;  // short on the first read and all eight retries
  SimBench never(s);
  EXPECT_EQ(ReadCEDVCalBlocks(), 1);
  const Steps steps = never.Steps();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "RB:58"), 9);
}

TEST(DataFlashSim, AFailedSubclassRequestBeforeTheWriteLeavesTheEarlierSelection) {
  // Power-up: nothing selected yet, so the length read after a refused request gets nothing.
  sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
  s.faults.push_back({.kind = sim::FaultKind::Nack,
                      .member = "WriteSMBusWord_",
                      .command = 0x77,
                      .occurrence = 1});
  {
    SimBench bench(s);
    const Bytes before = bench.CalArea();
    EXPECT_EQ(WriteCalSubclass(), 1);
    EXPECT_EQ(bench.Messages(), (Steps{"Number of read from calibration subclass is fewer than "
                                       "expected.  Please check communication with device."}));
    EXPECT_EQ(bench.CalArea(), before);
  }
  // After a read the subclass is selected already: the write goes through and verifies.
  s.faults[0].occurrence = 2;
  SimBench bench(s);
  ASSERT_EQ(ReadCalBuffer(), 0);
  EditCalBuffer(DfType::QSPAN);
  EXPECT_EQ(WriteCalSubclass(), 0);
  const Bytes area = bench.CalArea();
  EXPECT_TRUE(std::equal(area.begin(), area.end(), Module().calBuffer.begin()));
}

TEST(DataFlashSim, EveryWritePathReportsAGaugeThatStoredOtherBytes) {
  struct Case {
    DfType family;
    int occurrence;  // of the data flash write the gauge corrupts
    int16_t calAddress;
    std::string message;
  };
  for (const Case& c : {
           Case{DfType::CEDV, 1, 0,
                "Read verification of first block written to Dataflash did not match. Please "
                "check communications. Calibration values incorrectly written to Dataflash."},
           Case{DfType::CEDV, 2, 40,
                "Read verification of second CEDV DF block written to Dataflash did not match. "
                "Please check communications with devices. Calibration not completed."},
           Case{DfType::QSPAN, 1, 0,
                "Verification of calibration Dataflash written and compared with readback "
                "failed.  Please check communications and perform calibration again."},
           Case{DfType::RN44K18, 1, 0, "First Calibration Row written failed verification."},
           Case{DfType::CEDV_PLUS, 2, 0, "Second Calibration Row written failed verification."},
       }) {
    SCOPED_TRACE(DfTypeName(c.family));
    sim::Scenario s = sim::DefaultScenario(c.family);
    s.faults.push_back({.kind = sim::FaultKind::CorruptWrite,
                        .occurrence = c.occurrence,
                        .offset = 5,
                        .xorMask = 0x40});
    SimBench bench(s);
    Module().calDataFlashAddress = c.calAddress;
    ASSERT_EQ(ReadCalBuffer(), 0);
    EXPECT_EQ(WriteCalBuffer(), 1);
    EXPECT_EQ(bench.Messages(), Steps{c.message});
  }
}

TEST(DataFlashSim, AbsoluteBytesAreReadAndWrittenThroughTheirRowsAndVerified) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    SimBench bench(family);
    uint8_t first = 0;
    uint8_t second = 0;
    ASSERT_EQ(ReadAbsoluteDF(63, first, second), 0);
    const auto& bytes = bench.Gauge().Flash().Bytes();
    EXPECT_EQ(first, bytes[63]);
    EXPECT_EQ(second, bytes[64]);

    bench.ClearTrace();
    EXPECT_EQ(WriteAbsoluteDF(63, 0xA5, 0x5A), 0);
    EXPECT_EQ(bytes[63], 0xA5);
    EXPECT_EQ(bytes[64], 0x5A);
    EXPECT_EQ(bench.Steps(),
              (Steps{"MAC:F080", "S:3",      "S:50",     "RB:2F",    "S:50", "MAC:0101", "S:3",
                     "S:3",      "RB:2F",    "MAC:0102", "S:3",      "S:3",  "RB:2F",    "MAC:0101",
                     "S:3",      "WB:2F/32", "S:200",    "MAC:0102", "S:3",  "WB:2F/32", "S:200",
                     "MAC:0101", "S:3",      "RB:2F",    "MAC:0102", "S:3",  "RB:2F"}));
  }
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.faults.push_back({.kind = sim::FaultKind::CorruptWrite, .occurrence = 1, .offset = 1});
  SimBench bench(s);
  EXPECT_EQ(WriteAbsoluteDF(64, 0x00, 0x0B), 1);
  EXPECT_EQ(bench.Messages(),
            (Steps{"Verification of absolute Dataflash write and readback failed."}));
}

// The parameter that carries the cell count, and the value that gives cell bits b.
struct CellSource {
  DfType family;
  std::string parameter;
  int (*value)(int bits);
};

TEST(DataFlashSim, CellCountsFromEachSourceAndTheirBoundaries) {
  const CellSource sources[] = {
      {DfType::CEDV, "Pack Configuration", [](int bits) { return bits << 8; }},
      {DfType::QSPAN, "Operation Cfg A", [](int bits) { return bits << 8; }},
      {DfType::RN44K18, "System Configuration", [](int bits) { return 0x08 | bits; }},
      {DfType::CEDV_PLUS, "System Configuration", [](int bits) { return bits << 8; }},
  };
  struct Expect {
    int bits;
    int16_t cells;
    int32_t status;
  };
  for (const CellSource& src : sources) {
    const bool cedv = src.family == DfType::CEDV || src.family == DfType::QSPAN;
    for (const Expect& e : {Expect{0, static_cast<int16_t>(cedv ? 1 : 0), 1}, Expect{1, 2, 0},
                            Expect{2, 3, 0}, Expect{3, 4, 0}}) {
      SCOPED_TRACE(std::string(DfTypeName(src.family)) + " bits " + std::to_string(e.bits));
      sim::Scenario s = sim::DefaultScenario(src.family);
      s.parameters.push_back({src.parameter, src.value(e.bits)});
      SimBench bench(s);
      Module().DataFlashFilePath = kQspanDescription;
      int16_t cells = -1;
      EXPECT_EQ(ReadCellCount(cells), e.status);
      EXPECT_EQ(cells, e.cells);
      EXPECT_TRUE(bench.Messages().empty());
    }
  }
}

TEST(DataFlashSim, CellCountReadsLeaveCalibrationModeFirstAndReportFailedReads) {
  SimBench bench(DfType::RN44K18);
  Module().calModeFlag = true;
  int16_t cells = 0;
  EXPECT_EQ(ReadCellCount(cells), 0);
  EXPECT_EQ(cells, 4);
  const Steps t = bench.Transfers();
  EXPECT_EQ((Steps{t.begin(), t.begin() + 2}), (Steps{"MAC:F080", "MAC:F080"}));

  struct Case {
    DfType family;
    std::string member;
    int command;
    std::string message;
  };
  for (const Case& c : {
           Case{DfType::CEDV, "ReadSMBusWord", 0x2F,
                "Error reading Pack config from CEDV device to determine number of cells in use."},
           Case{DfType::CEDV_PLUS, "ReadSMBusBlock_", 0x2F,
                "Communication Error returned reading absolute address."},
       }) {
    sim::Scenario s = sim::DefaultScenario(c.family);
    s.faults.push_back({.kind = sim::FaultKind::Nack,
                        .member = c.member,
                        .command = c.command,
                        .occurrence = c.family == DfType::CEDV ? 1 : 2});
    SimBench failing(s);
    EXPECT_EQ(ReadCellCount(cells), 1);
    Steps expected{c.message};
    if (c.family == DfType::CEDV_PLUS) {
      expected.push_back(
          "Unable to read number of configured cells from Dataflash. Please check "
          "communications with device.");
    }
    EXPECT_EQ(failing.Messages(), expected);
  }
}

TEST(DataFlashSim, QspanCellCountRetriesTheSubclassRequestOnce) {
  const std::string requestFailed =
      "Attempt to request class data from Dataflash failed.  Please check communication with "
      "device.";
  struct Case {
    int refusals;
    int32_t status;
    Steps messages;
  };
  for (const Case& c : {Case{1, 0, {}}, Case{2, 1, {requestFailed}}}) {
    sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
    s.faults.push_back({.kind = sim::FaultKind::Nack,
                        .member = "WriteSMBusWord",
                        .command = 0x77,
                        .occurrence = 1,
                        .count = c.refusals});
    SimBench bench(s);
    Module().DataFlashFilePath = kQspanDescription;
    int16_t cells = 0;
    EXPECT_EQ(ReadCellCount(cells), c.status);
    EXPECT_EQ(bench.Messages(), c.messages);
    const Steps steps = bench.Steps();
    EXPECT_EQ((Steps{steps.begin(), steps.begin() + 4}),
              (Steps{"CFE", "WW:77=00,40", "S:100", "WW:77=00,40"}));
    if (c.status == 0) {
      EXPECT_EQ(cells, 4);
      EXPECT_EQ(steps.back(), "RB:78");
    }
  }
}

TEST(DataFlashSim, QspanCellCountNeedsTheDescriptionAndTheConfigurationBlock) {
  struct Case {
    std::string description;
    std::vector<sim::Fault> faults;
    std::string message;
  };
  const std::string appDir = GAUGECAL_SAMPLE_APPDIR;
  for (const Case& c : {
           Case{appDir + "/dataflash/missing.gdf.json",
                {},
                "Can not open Dataflash configuration file attempting to read number of "
                "configured cells. Please reinstall Morvane."},
           Case{appDir + "/dataflash/cedv_250.gdf.json",
                {},
                "Unable to obtain Subclass and Offset for parameter Operation Cfg A from "
                "Dataflash. Please check communication with device."},
           Case{kQspanDescription,
                {{.kind = sim::FaultKind::Nack, .member = "ReadSMBusBlock_", .command = 0x78}},
                "Unable to read class Configuration subclass Registers parameter Operation Cfg A "
                "from Dataflash."},
       }) {
    sim::Scenario s = sim::DefaultScenario(DfType::QSPAN);
    s.faults = c.faults;
    SimBench bench(s);
    Module().DataFlashFilePath = c.description;
    int16_t cells = 0;
    EXPECT_EQ(ReadCellCount(cells), 1);
    EXPECT_EQ(bench.Messages(), Steps{c.message});
  }
}

}  // namespace
}  // namespace gaugecal
