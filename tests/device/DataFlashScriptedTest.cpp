// Data flash access against scripted answers: the edge cases a simulated gauge cannot easily
// produce (answers of odd lengths, a calibration area that runs into the next page, mismatches
// at chosen bytes). The ordinary sequences are checked end to end in DataFlashSimTest.

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

TEST(CalSubclass, ReadReportsAFailedOrShortRead) {
  for (const test::ScriptedAnswer& a :
       {test::ScriptedAnswer{1, Counting(32, 0)}, test::ScriptedAnswer{0, Counting(14, 0)}}) {
    ScriptedBench failing(DfType::QSPAN);
    failing.link.Queue("ReadSMBusBlock_", 0x78, a);
    EXPECT_EQ(ReadCalSubclass(Module().calBuffer), 1);
    EXPECT_EQ(failing.Messages(), (Steps{"Communication or length incorrect copying calibration "
                                         "dataflash to local buffer."}));
  }
}

TEST(CalSubclass, ASubclassOfFourteenBytesIsNeverWritten) {
  ScriptedBench bench(DfType::QSPAN);
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Counting(14, 0)});
  EXPECT_EQ(WriteCalSubclass(), 1);
  EXPECT_EQ(bench.Messages(), (Steps{"Number of read from calibration subclass is fewer than "
                                     "expected.  Please check communication with device."}));
  EXPECT_TRUE(bench.link.writtenBlocks.empty());
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

TEST(CalSubclass, AReadBackThatFailsNeverPassesForTheImage) {
  // An all-zero image and a read-back that delivers nothing: only bytes the gauge sent count.
  ScriptedBench bench(DfType::QSPAN);
  Module().calBuffer.fill(0);
  bench.link.Queue("ReadSMBusBlock_", 0x78, {0, Bytes(32, 0)});
  bench.link.Queue("ReadSMBusBlock_", 0x78, {1, {}});
  EXPECT_EQ(WriteCalSubclass(), 1);
  EXPECT_EQ(bench.Messages().back(),
            "Verification of calibration Dataflash written and compared with readback failed.  "
            "Please check communications and perform calibration again.");
}

TEST(CalRows, AFirstRowMismatchIsReportedBeforeTheSecondRowAtTheSameIndex) {
  ScriptedBench bench(DfType::RN44K18);
  FillCalBuffer(0);
  Bytes row0 = Counting(32, 0);
  Bytes row1 = Counting(32, 32);
  row0[5] ^= 1;
  row1[5] ^= 1;
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, row0});
  bench.link.Queue("ReadSMBusBlock_", 0x2F, {0, row1});
  EXPECT_EQ(WriteCalRows(), 1);
  EXPECT_EQ(bench.Messages(), Steps{"First Calibration Row written failed verification."});
  row0[5] ^= 1;
  ScriptedBench second(DfType::CEDV_PLUS);
  FillCalBuffer(0);
  second.link.Queue("ReadSMBusBlock_", 0x2F, {0, row0});
  second.link.Queue("ReadSMBusBlock_", 0x2F, {0, row1});
  EXPECT_EQ(WriteCalRows(), 1);
  EXPECT_EQ(second.Messages(), Steps{"Second Calibration Row written failed verification."});
}

}  // namespace
}  // namespace gaugecal
