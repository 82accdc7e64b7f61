// Data flash access against scripted answers: the exact sequences of each read and write path,
// the retries, the verification messages and the edge cases a simulated gauge cannot easily
// produce (answers of odd lengths, a calibration area that runs into the next page).

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "device/DataFlash.h"
#include "device/ModuleState.h"
#include "support/ScriptedBench.h"

namespace gaugecal {
namespace {

using test::ScriptedBench;
using Steps = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

constexpr int16_t kMac = 0;

Bytes Counting(size_t n, uint8_t from) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), from);
  return b;
}

void FillCalBuffer(uint8_t from) {
  auto& buffer = Module().calBuffer;
  std::iota(buffer.begin(), buffer.end(), from);
}

TEST(CedvPages, AShortPageIsReadAgainAfterTheSettleTimes) {
  ScriptedBench bench(DfType::CEDV);
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Counting(40, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Counting(64, 1)});
  EXPECT_EQ(ReadCEDVCalBlocks(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"RB:58", "W:20", "S:100", "RB:58"}));
  EXPECT_EQ(Module().calBuffer[63], 64);
}

TEST(CedvPages, APageThatNeverComesBackWholeFailsAfterEightRetries) {
  ScriptedBench bench(DfType::CEDV);
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Counting(63, 0)});
  EXPECT_EQ(ReadCEDVCalBlocks(), 1);
  EXPECT_EQ(test::CountSteps(bench.Steps(), "RB:58"), 9);
  EXPECT_TRUE(bench.Messages().empty());
}

TEST(CedvPages, AnAreaRunningIntoTheNextPageTakesThirtyTwoBytesOfIt) {
  ScriptedBench bench(DfType::CEDV);
  Module().calDataFlashAddress = 40;  // 40 + 29 > 63
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Counting(64, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x59, {0, Counting(64, 100)});
  EXPECT_EQ(ReadCEDVCalBlocks(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"RB:58", "RB:59", "W:20"}));
  const auto& b = Module().calBuffer;
  EXPECT_EQ(b[64], 100);
  EXPECT_EQ(b[95], 131);
  EXPECT_EQ(b[96], 0);

  bench.ClearTrace();
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Bytes(b.begin(), b.begin() + 64)});
  bench.link.Queue("ReadSMBusBlock_", 0x59, {0, Counting(64, 100)});
  EXPECT_EQ(WriteCEDVCalBlocks(), 0);
  EXPECT_EQ(bench.Transfers(), (Steps{"MAC:F080", "WB:58/64", "RB:58", "WB:59/32", "RB:59"}));
  EXPECT_EQ(bench.link.writtenBlocks.back(), Counting(32, 100));
}

TEST(CedvPages, TheWriteIsVerifiedPageByPage) {
  ScriptedBench bench(DfType::CEDV);
  FillCalBuffer(0);
  bench.link.Queue("ReadSMBusBlock_", 0x58, {0, Counting(64, 0)});
  EXPECT_EQ(WriteCEDVCalBlocks(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"MAC:F080", "S:3", "S:150", "WB:58/64", "W:132", "RB:58"}));
}

TEST(CedvPages, EachFailedStepShowsItsMessage) {
  const std::string firstWrite =
      "Not able to Write First CEDV Calibration block to DataFlash. Please check communications. "
      "Calibration values not written to Dataflash.";
  const std::string firstVerify =
      "Read verification of first block written to Dataflash did not match. Please check "
      "communications. Calibration values incorrectly written to Dataflash.";
  const std::string secondWrite = "Not able to Write Second CEDV Calibration block to DataFlash.";
  const std::string secondVerify =
      "Read verification of second CEDV DF block written to Dataflash did not match. Please check "
      "communications with devices. Calibration not completed.";
  struct Case {
    int32_t firstWriteStatus;
    Bytes firstBack;
    int32_t secondWriteStatus;
    Bytes secondBack;
    std::string message;
  };
  Bytes good = Counting(64, 0);
  Bytes bad = good;
  bad[28] ^= 1;
  Bytes next = Counting(64, 64);
  Bytes nextBad = next;
  nextBad[31] ^= 0x80;
  for (const Case& c :
       {Case{1, good, 0, next, firstWrite}, Case{0, bad, 0, next, firstVerify},
        Case{0, Counting(40, 0), 0, next, firstVerify}, Case{0, good, 1, next, secondWrite},
        Case{0, good, 0, nextBad, secondVerify}}) {
    ScriptedBench bench(DfType::CEDV);
    Module().calDataFlashAddress = 40;
    FillCalBuffer(0);
    bench.link.Queue("WriteSMBusBlock", 0x58, {c.firstWriteStatus, {}});
    bench.link.Queue("WriteSMBusBlock", 0x59, {c.secondWriteStatus, {}});
    bench.link.Queue("ReadSMBusBlock_", 0x58, {0, c.firstBack});
    bench.link.Queue("ReadSMBusBlock_", 0x59, {0, c.secondBack});
    EXPECT_EQ(WriteCEDVCalBlocks(), 1);
    EXPECT_EQ(bench.Messages(), Steps{c.message});
    if (c.firstWriteStatus != 0) {
      EXPECT_EQ(test::CountSteps(bench.Steps(), "RB:58"), 0);
    }
  }
}

TEST(CalSubclass, ReadSelectsSubclass104AndReportsAFailedOrShortRead) {
  ScriptedBench bench(DfType::QSPAN);
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(32, 0)});
  EXPECT_EQ(ReadCalSubclass(Module().calBuffer), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"CFE", "S:20", "WW_:77=0068", "S:5", "RB:78"}));
  EXPECT_EQ(Module().calBuffer[31], 31);

  for (const test::ScriptedAnswer& a :
       {test::ScriptedAnswer{1, Counting(32, 0)}, test::ScriptedAnswer{0, Counting(14, 0)}}) {
    ScriptedBench failing(DfType::QSPAN);
    failing.link.Queue("ReadSMBusBlock_", 0x78, a);
    EXPECT_EQ(ReadCalSubclass(Module().calBuffer), 1);
    EXPECT_EQ(failing.Messages(), (Steps{"Communication or length incorrect copying calibration "
                                         "dataflash to local buffer."}));
  }
}

TEST(CalSubclass, WriteLearnsTheLengthWritesAndVerifies) {
  ScriptedBench bench(DfType::QSPAN);
  FillCalBuffer(10);
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(32, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(32, 10)});
  EXPECT_EQ(WriteCalSubclass(), 0);
  EXPECT_EQ(bench.Steps(),
            (Steps{"CFE", "S:20", "WW_:77=0068", "S:10", "RB:78", "WW_:77=0068", "S:5", "WB:78/32",
                   "S:132", "CFE", "S:20", "WW_:77=0068", "S:5", "RB:78"}));
  EXPECT_EQ(bench.link.writtenBlocks.back(), Counting(32, 10));
}

TEST(CalSubclass, ASubclassOfFourteenBytesIsNeverWritten) {
  ScriptedBench bench(DfType::QSPAN);
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(14, 0)});
  EXPECT_EQ(WriteCalSubclass(), 1);
  EXPECT_EQ(bench.Messages(), (Steps{"Number of read from calibration subclass is fewer than "
                                     "expected.  Please check communication with device."}));
  EXPECT_TRUE(bench.link.writtenBlocks.empty());
}

TEST(CalSubclass, AFailedWriteOrADifferentReadBackFails) {
  const std::string verify =
      "Verification of calibration Dataflash written and compared with readback failed.  Please "
      "check communications and perform calibration again.";
  {
    ScriptedBench bench(DfType::QSPAN);
    bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(32, 0)});
    bench.link.Queue("WriteSMBusBlock", 0x78, {1, {}});
    EXPECT_EQ(WriteCalSubclass(), 1);
    EXPECT_EQ(bench.Messages(),
              (Steps{"Communication error writing local calibration buffer to Dataflash."}));
    EXPECT_EQ(test::CountSteps(bench.Steps(), "RB:78"), 1);
  }
  {
    ScriptedBench bench(DfType::QSPAN);
    FillCalBuffer(0);
    Bytes back = Counting(32, 0);
    back[31] = 0;
    bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(32, 0)});
    bench.link.Queue("ReadSMBusBlock_", 0x78, {0, back});
    EXPECT_EQ(WriteCalSubclass(), 1);
    EXPECT_EQ(bench.Messages(), Steps{verify});
  }
  {
    // A read-back that fails leaves nothing that could pass for the image.
    ScriptedBench bench(DfType::QSPAN);
    Module().calBuffer.fill(0);
    bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Bytes(32, 0)});
    bench.link.Queue("ReadSMBusBlock_", 0x78, {1, {}});
    EXPECT_EQ(WriteCalSubclass(), 1);
    EXPECT_EQ(bench.Messages().back(), verify);
  }
}

TEST(CalRows, ReadTakesBothRowsAtTheFixedAddress) {
  ScriptedBench bench(DfType::RN44K18);
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, 32)});
  EXPECT_EQ(ReadCalRows(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"CFE", "S:50", "MAC:0100", "S:3", "S:20", "RB:2F", "S:100",
                                  "W:20", "MAC:0101", "S:3", "W:20", "RB:2F", "W:20"}));
  for (const auto& e : test::TraceOps(bench.Trace(), {"ReadSMBusBlock_"}))
    EXPECT_EQ(e["addr"], 23);
  EXPECT_EQ(Module().calBuffer[63], 63);
}

TEST(CalRows, AShortRowFailsTheReadButTheSecondRowIsStillTaken) {
  struct Case {
    size_t firstLength;
    size_t secondLength;
  };
  for (const Case& c : {Case{31, 32}, Case{32, 31}, Case{33, 32}}) {
    ScriptedBench bench(DfType::CEDV_PLUS);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(c.firstLength, 0)});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(c.secondLength, 100)});
    EXPECT_EQ(ReadCalRows(), 1);
    EXPECT_EQ(Module().calBuffer[32], 100);
    EXPECT_EQ(Module().calBuffer[31], c.firstLength > 31 ? 31 : 0);
  }
}

TEST(CalRows, WriteSendsBothRowsAndComparesThemByteForByte) {
  ScriptedBench bench(DfType::RN44K18);
  FillCalBuffer(0);
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, 32)});
  EXPECT_EQ(WriteCalRows(), 0);
  EXPECT_EQ(
      bench.Steps(),
      (Steps{"CFE",      "MAC:F080", "S:3",      "S:100",    "MAC:0100", "S:3", "S:3",   "S:3",
             "WB:2F/32", "S:200",    "CFE",      "MAC:0100", "S:3",      "S:3", "RB:2F", "MAC:0101",
             "S:3",      "S:3",      "WB:2F/32", "S:200",    "MAC:0101", "S:3", "S:3",   "RB:2F"}));
  EXPECT_EQ(bench.link.writtenBlocks[0], Counting(32, 0));
  EXPECT_EQ(bench.link.writtenBlocks[1], Counting(32, 32));
}

TEST(CalRows, WriteFailuresShowTheMessageOfTheirStep) {
  const std::string first = "First Calibration Row written failed verification.";
  const std::string second = "Second Calibration Row written failed verification.";
  Bytes row0 = Counting(32, 0);
  Bytes row1 = Counting(32, 32);
  Bytes row0Bad = row0;
  row0Bad[5] ^= 1;
  Bytes row1Bad = row1;
  row1Bad[5] ^= 1;  // wrong at the same index as the first row
  struct Case {
    std::vector<int32_t> macStatuses;  // exit, row, row, row + 1, row + 1
    int32_t secondWrite;
    test::ScriptedAnswer back0;
    test::ScriptedAnswer back1;
    Steps messages;
  };
  for (const Case& c : {
           Case{{0, 0, 0, 0, 0}, 0, {0, row0Bad}, {0, row1Bad}, {first}},
           Case{{0, 0, 0, 0, 0}, 0, {0, row0}, {0, row1Bad}, {second}},
           Case{{0, 0, 0, 1},
                0,
                {0, row0},
                {0, row1},
                {"Communication Error when Requesting Second Calibration Dataflash Row."}},
           Case{{0, 0, 0, 0},
                1,
                {0, row0},
                {0, row1},
                {"Not able to Write Second Calibration row to DataFlash."}},
           Case{{0, 0, 0, 0, 0},
                0,
                {0, row0},
                {1, {}},
                {"Communications error reading second DF row for verification.", second}},
           Case{{0, 0, 0, 0, 0}, 0, {1, {}}, {0, row1}, {first}},
       }) {
    ScriptedBench bench(DfType::RN44K18);
    FillCalBuffer(0);
    for (int32_t s : c.macStatuses)
      bench.link.Queue("WriteSMBusWord_", kMac, {s, {}});
    bench.link.Queue("WriteSMBusBlock", 0x2F, {0, {}});
    bench.link.Queue("WriteSMBusBlock", 0x2F, {c.secondWrite, {}});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, c.back0);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, c.back1);
    EXPECT_EQ(WriteCalRows(), 1);
    EXPECT_EQ(bench.Messages(), c.messages);
  }
}

TEST(AbsoluteDataFlash, ReadsTheRowsThatHoldBothBytes) {
  struct Case {
    int16_t address;
    Steps rowRequests;
    uint8_t first;
    uint8_t second;
  };
  for (const Case& c : {Case{64, {"MAC:0102"}, 64, 65}, Case{31, {"MAC:0100", "MAC:0101"}, 31, 32},
                        Case{95, {"MAC:0102", "MAC:0103"}, 95, 96}}) {
    ScriptedBench bench(DfType::RN44K18);
    const uint8_t base = static_cast<uint8_t>(c.address / 32 * 32);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, 200)});  // the discarded read
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, base)});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(32, static_cast<uint8_t>(base + 32))});
    uint8_t first = 0;
    uint8_t second = 0;
    EXPECT_EQ(ReadAbsoluteDF(c.address, first, second), 0);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
    Steps expected{"MAC:F080", "RB:2F"};
    for (const auto& r : c.rowRequests) {
      expected.push_back(r);
      expected.push_back("RB:2F");
    }
    EXPECT_EQ(bench.Transfers(), expected);
  }
}

TEST(AbsoluteDataFlash, ReadFailuresAndANegativeAddress) {
  {
    ScriptedBench bench(DfType::RN44K18);
    bench.link.Queue("WriteSMBusWord_", kMac, {0, {}});
    bench.link.Queue("WriteSMBusWord_", kMac, {1, {}});
    uint8_t a = 0;
    uint8_t b = 0;
    EXPECT_EQ(ReadAbsoluteDF(64, a, b), 1);
    EXPECT_EQ(bench.Messages(),
              (Steps{"Communication Error when Requesting Absolute Dataflash Read."}));
  }
  {
    ScriptedBench bench(DfType::RN44K18);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, {}});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, Counting(31, 0)});
    uint8_t a = 0;
    uint8_t b = 0;
    EXPECT_EQ(ReadAbsoluteDF(64, a, b), 1);
    EXPECT_EQ(bench.Messages(), (Steps{"Communication Error returned reading absolute address."}));
  }
  {
    ScriptedBench bench(DfType::RN44K18);
    uint8_t a = 0;
    uint8_t b = 0;
    EXPECT_EQ(ReadAbsoluteDF(-1, a, b), 1);
    EXPECT_EQ(WriteAbsoluteDF(-1, a, b), 1);
    EXPECT_TRUE(bench.Steps().empty());
  }
}

TEST(AbsoluteDataFlash, WriteChangesOnlyTheTwoBytesAndVerifiesTheRows) {
  ScriptedBench bench(DfType::CEDV_PLUS);
  Bytes row1 = Counting(32, 32);
  Bytes row2 = Counting(32, 64);
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, {}});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, row1});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, row2});
  Bytes new1 = row1;
  new1[31] = 0xAA;
  Bytes new2 = row2;
  new2[0] = 0x55;
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, new1});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, new2});
  EXPECT_EQ(WriteAbsoluteDF(63, 0xAA, 0x55), 0);
  EXPECT_EQ(bench.link.writtenBlocks, (std::vector<Bytes>{new1, new2}));
  EXPECT_EQ(bench.Transfers(),
            (Steps{"MAC:F080", "RB:2F", "MAC:0101", "RB:2F", "MAC:0102", "RB:2F", "MAC:0101",
                   "WB:2F/32", "MAC:0102", "WB:2F/32", "MAC:0101", "RB:2F", "MAC:0102", "RB:2F"}));
  EXPECT_TRUE(bench.Messages().empty());
}

TEST(AbsoluteDataFlash, WriteFailuresShowTheMessageOfTheirStep) {
  Bytes row = Counting(32, 64);
  Bytes changed = row;
  changed[0] = 1;
  changed[1] = 2;
  Bytes stale = row;
  struct Case {
    std::vector<int32_t> macStatuses;  // exit, row request for read, row request for write
    test::ScriptedAnswer rowRead;
    int32_t writeStatus;
    test::ScriptedAnswer back;
    std::string message;
  };
  for (const Case& c : {
           Case{{0, 0},
                {1, row},
                0,
                {0, changed},
                "Communication Error returned when reading block to write absolute address."},
           Case{{0, 0, 1},
                {0, row},
                0,
                {0, changed},
                "Communication error when requesting absolute page to write."},
           Case{{0, 0, 0},
                {0, row},
                1,
                {0, changed},
                "Communication Error returned when writing absoute address to Dataflash."},
           Case{{0, 0, 0},
                {0, row},
                0,
                {0, stale},
                "Verification of absolute Dataflash write and readback failed."},
           Case{{0, 0, 0},
                {0, row},
                0,
                {1, {}},
                "Verification of absolute Dataflash write and readback failed."},
       }) {
    ScriptedBench bench(DfType::RN44K18);
    for (int32_t s : c.macStatuses)
      bench.link.Queue("WriteSMBusWord_", kMac, {s, {}});
    bench.link.Queue("WriteSMBusWord_", kMac, {0, {}});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, {}});
    bench.link.Queue("ReadSMBusBlock_", 0x2F, c.rowRead);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, c.back);
    bench.link.Queue("WriteSMBusBlock", 0x2F, {c.writeStatus, {}});
    EXPECT_EQ(WriteAbsoluteDF(64, 1, 2), 1);
    EXPECT_EQ(bench.Messages(), Steps{c.message});
  }
}

}  // namespace
}  // namespace gaugecal
