// Manufacturer access against scripted answers: the exact bus sequences of the security-mode
// read, the raw-output requests and the display group refresh, and the calibration-mode
// answers a simulated gauge does not give (a failed read, a second switch that works).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "support/ScriptedBench.h"

namespace gaugecal {
namespace {

using test::ScriptedAnswer;
using test::ScriptedBench;
using Steps = std::vector<std::string>;

constexpr int16_t kMac = 0;

std::vector<uint8_t> RawBlock(uint8_t counter, uint8_t status, size_t length = 26) {
  std::vector<uint8_t> b(length, 0);
  if (length > 0)
    b[0] = counter;
  if (length > 1)
    b[1] = status;
  return b;
}

TEST(SecurityMode, TakesBitsNineAndEightOfOperationStatus) {
  struct Case {
    uint8_t byte1;
    int16_t mode;
  };
  for (const Case& c : {Case{0x63, 3}, Case{0x02, 2}, Case{0x41, 1}, Case{0xFC, 0}}) {
    ScriptedBench bench(DfType::RN44K18);
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, {0x00, c.byte1, 0x00, 0x00}});
    int16_t mode = -1;
    EXPECT_EQ(ReadSecurityMode(mode), 0);
    EXPECT_EQ(mode, c.mode) << int(c.byte1);
    EXPECT_EQ(bench.Steps(), (Steps{"MAC:0054", "S:3", "S:10", "RB:23"}));
  }
}

TEST(SecurityMode, EachFailedStepShowsItsOwnMessage) {
  ScriptedBench bench(DfType::RN44K18);
  bench.link.Queue("WriteSMBusWord_", kMac, {1, {}});
  int16_t mode = 0;
  EXPECT_EQ(ReadSecurityMode(mode), 1);
  EXPECT_EQ(bench.Messages(), (Steps{"Not able to send operation status to MAC. Please check "
                                     "communication with part."}));
  EXPECT_EQ(test::CountSteps(bench.Steps(), "RB:23"), 0);

  ScriptedBench second(DfType::RN44K18);
  second.link.Queue("ReadSMBusBlock_", 0x23, {1, {}});
  EXPECT_EQ(ReadSecurityMode(mode), 1);
  EXPECT_EQ(second.Messages(),
            (Steps{"Not able to read Manufacturing Data Block requesting Operation Status."}));
}

TEST(CalModeRn44k18, AFailedStatusReadFailsAndLeavesTheFlag) {
  ScriptedBench bench(DfType::RN44K18);
  Module().calModeFlag = true;
  bench.link.Queue("ReadSMBusBlock_", 0x23, {1, {0x00, 0x80}});
  EXPECT_EQ(EnsureCalMode(), 1);
  EXPECT_TRUE(Module().calModeFlag);
  EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:002D"), 0);
}

TEST(CalModeCedvPlus, TestsTheSignBitOfTheFlagWordAndSwitchesAtMostTwice) {
  const int16_t set = static_cast<int16_t>(0x8000);
  struct Case {
    std::vector<int16_t> words;  // answers of the flag word reads after the discarded one
    int32_t result;
    long calmodeWrites;
  };
  for (const Case& c : {Case{{set}, 0, 0}, Case{{0x7FFF, set}, 0, 1}, Case{{0, 0, set}, 0, 2},
                        Case{{0, 0, 0}, 1, 2}}) {
    ScriptedBench bench(DfType::CEDV_PLUS);
    for (int16_t w : c.words)
      bench.link.QueueWord("ReadSMBusWord_", 0x74, w);
    EXPECT_EQ(EnsureCalMode(), c.result);
    EXPECT_EQ(Module().calModeFlag, c.result == 0);
    const Steps steps = bench.Steps();
    EXPECT_EQ(test::CountSteps(steps, "MAC:002D"), c.calmodeWrites);
    EXPECT_EQ((Steps{steps.begin(), steps.begin() + 3}), (Steps{"CFE", "RW:74", "RW_:74"}));
  }
}

TEST(CalModeCedvPlus, AFailedReadAfterTheFirstSwitchFails) {
  ScriptedBench bench(DfType::CEDV_PLUS);
  bench.link.QueueWord("ReadSMBusWord_", 0x74, 0);
  bench.link.QueueWord("ReadSMBusWord_", 0x74, static_cast<int16_t>(0x8000), 1);
  EXPECT_EQ(EnsureCalMode(), 1);
  EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:002D"), 1);
}

TEST(CalMode, CedvAndQspanNeedNoTrafficAndKeepTheFlag) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    for (bool flag : {false, true}) {
      ScriptedBench bench(family);
      Module().calModeFlag = flag;
      EXPECT_EQ(EnsureCalMode(), 0);
      EXPECT_EQ(Module().calModeFlag, flag);
      EXPECT_TRUE(bench.Steps().empty());
    }
  }
}

TEST(ExitCalMode, SendsTheExitCommandOnlyWhenTheFlagIsSetAndKeepsTheFlag) {
  ScriptedBench bench(DfType::RN44K18);
  EXPECT_EQ(SendExitCalCommand(), 0);
  EXPECT_TRUE(bench.Steps().empty());

  Module().calModeFlag = true;
  bench.link.Queue("WriteSMBusWord_", kMac, {5, {}});
  EXPECT_EQ(SendExitCalCommand(), 5);
  EXPECT_EQ(bench.Steps(), (Steps{"MAC:F080", "S:3", "S:50"}));
  EXPECT_TRUE(Module().calModeFlag);
}

TEST(RawOutput, AcceptsAStreamOnlyAfterThreeResendRounds) {
  ScriptedBench bench(DfType::CEDV);
  for (uint8_t counter = 5; counter < 40; ++counter)
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(counter, 1)});
  EXPECT_EQ(StartRawCalOutput(), 0);
  const Steps steps = bench.Steps();
  const Steps opening{"MAC:F080", "S:3", "MAC:0001", "S:3",   "S:100",
                      "MAC:F081", "S:3", "S:3",      "RB:23", "RB:23"};
  EXPECT_EQ((Steps{steps.begin(), steps.begin() + 10}), opening);
  const Steps round{"MAC:F080", "S:3",      "S:20", "MAC:0001", "S:3",
                    "S:20",     "MAC:F081", "S:3",  "S:200",    "RB:23"};
  EXPECT_EQ((Steps{steps.begin() + 10, steps.begin() + 20}), round);
  EXPECT_EQ(test::CountSteps(steps, "RB:23"), 2 + 3);
}

TEST(RawOutput, GivesUpAfterElevenRoundsOnAWrongStatusOrLength) {
  for (const auto& block : {RawBlock(1, 2), RawBlock(1, 1, 25), RawBlock(1, 1, 27)}) {
    ScriptedBench bench(DfType::QSPAN);
    uint8_t counter = 1;
    for (int i = 0; i < 20; ++i) {
      auto b = block;
      b[0] = counter++;
      bench.link.Queue("ReadSMBusBlock_", 0x23, {0, b});
    }
    EXPECT_EQ(StartRawCalOutput(), 1);
    EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:F081"), 1 + 11);
  }
}

TEST(OffsetOutput, AGoodFirstBlockNeedsNoResend) {
  ScriptedBench bench(DfType::CEDV);
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(9, 2)});
  EXPECT_EQ(StartOffsetCalOutput(), 0);
  EXPECT_EQ(bench.Steps(), (Steps{"MAC:F080", "S:3", "MAC:0001", "S:3", "S:20", "MAC:F082", "S:3",
                                  "MAC:F082", "S:3", "S:200", "RB:23"}));
}

TEST(OffsetOutput, ResendsUntilTheOffsetStreamAndGivesUpAfterSixRounds) {
  {
    ScriptedBench bench(DfType::CEDV);
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(1, 1)});
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(2, 1)});
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(3, 2)});
    EXPECT_EQ(StartOffsetCalOutput(), 0);
    const Steps steps = bench.Steps();
    EXPECT_EQ(test::CountSteps(steps, "RB:23"), 3);
    EXPECT_EQ((Steps{steps.begin() + 11, steps.begin() + 21}),
              (Steps{"MAC:F080", "S:3", "S:10", "MAC:0001", "S:3", "S:20", "MAC:F082", "S:3",
                     "S:200", "RB:23"}));
  }
  for (const auto& block : {RawBlock(1, 1), RawBlock(1, 2, 25)}) {
    ScriptedBench bench(DfType::QSPAN);
    bench.link.Queue("ReadSMBusBlock_", 0x23, {0, block});
    EXPECT_EQ(StartOffsetCalOutput(), 1);
    EXPECT_EQ(test::CountSteps(bench.Steps(), "MAC:F082"), 2 + 6);
  }
}

TEST(DisplayGroups, ASecondCommandAttemptClearsTheRowsAndTwoFailuresReport) {
  ScriptedBench bench(DfType::RN44K18);
  Module().LiveTable[kLiveVoltages].items[0].value = "3700";
  bench.link.Queue("WriteSMBusWord_", kMac, {1, {}});
  bench.link.Queue("WriteSMBusWord_", kMac, {0, {}});
  std::array<uint8_t, 256> buffer{};
  EXPECT_EQ(RefreshMODGroup(kLiveVoltages, buffer), 0);
  EXPECT_EQ(Module().LiveTable[kLiveVoltages].items[0].value, "");
  EXPECT_EQ(bench.Steps(), (Steps{"MAC:0071", "W:50", "MAC:0071"}));

  ScriptedBench failing(DfType::RN44K18);
  failing.link.Queue("WriteSMBusWord_", kMac, {7, {}});
  EXPECT_EQ(RefreshMODGroups(), 1);
  EXPECT_EQ(failing.Messages(),
            (Steps{"Failed to Write Command Voltages",
                   "Error returning values of Manufacturing Block. Please check communications."}));
}

TEST(DisplayGroups, AFailedBlockReadClearsTheGroupAndAFailedCurrentReadBlanksIt) {
  ScriptedBench bench(DfType::RN44K18);
  Module().LiveTable[kLiveTemperatures].items[2].value = "20.0";
  Module().LiveTable[kLiveCurrent].items[0].value = "5";
  bench.link.Queue("ReadSMBusBlock_", 0x23, {1, {}});
  bench.link.QueueWord("ReadSMBusWord", 0x0A, 0, 1);
  EXPECT_EQ(RefreshMODGroups(), 0);
  EXPECT_EQ(Module().LiveTable[kLiveTemperatures].items[2].value, "");
  EXPECT_EQ(Module().LiveTable[kLiveCurrent].items[0].value, "");
  EXPECT_TRUE(bench.Messages().empty());
}

TEST(RawCalGroup, DecodesEveryNamedRowAndRefusesAWrongLength) {
  ScriptedBench bench(DfType::CEDV);
  auto block = RawBlock(7, 1);
  block[2] = 0x38;  // coulomb counter -200
  block[3] = 0xFF;
  block[24] = 0x10;  // battery voltage 10000, beyond the group's item count
  block[25] = 0x27;
  bench.link.Queue("ReadSMBusBlock_", 0x23, {0, block});
  EXPECT_EQ(RefreshRawCalGroup(), 0);
  const auto& items = Module().LiveTable[kLiveRawCal].items;
  EXPECT_EQ(items[0].value, "7");
  EXPECT_EQ(items[2].value, "-200");
  EXPECT_EQ(items[11].value, "10000");

  ScriptedBench shortBlock(DfType::CEDV);
  shortBlock.link.Queue("ReadSMBusBlock_", 0x23, {0, RawBlock(8, 1, 25)});
  EXPECT_EQ(RefreshRawCalGroup(), 1);
  EXPECT_EQ(shortBlock.Messages(), (Steps{"Unable to read raw cal values and update display."}));
}

}  // namespace
}  // namespace gaugecal
