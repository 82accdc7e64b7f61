// Manufacturer access end to end through the simulated gauges: the security mode, calibration
// mode entry and exit, the raw-output requests and their resend rounds, and the display groups.

#include "device/ManufacturerAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "support/Bench.h"

namespace gaugecal::test {
namespace {

using ::testing::StartsWith;
using Texts = std::vector<std::string>;

TEST(SecurityMode, IsBitsNineAndEightOfOperationStatusAndEachFailedStepSaysSo) {
  for (auto mode :
       {sim::SecurityMode::FullAccess, sim::SecurityMode::Unsealed, sim::SecurityMode::Sealed}) {
    sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
    s.security = mode;
    Bench bench(s);
    int16_t read = -1;
    EXPECT_EQ(ReadSecurityMode(read), 0);
    EXPECT_EQ(read, static_cast<int>(mode));
    EXPECT_EQ(bench.Steps(), "MAC:0054 S:3 S:10 RB:23");
  }
  using Case = std::tuple<const char*, const char*>;
  for (const auto& [faults, message] :
       {Case{"nack MAC",
             "Not able to send operation status to MAC. Please check communication with part."},
        Case{"nack RB:23",
             "Not able to read Manufacturing Data Block requesting Operation Status."}}) {
    Bench bench(DfType::CEDV, faults);
    int16_t mode = 0;
    EXPECT_EQ(ReadSecurityMode(mode), 1);
    EXPECT_EQ(bench.Messages(), Texts{message});
    EXPECT_EQ(Count(bench.Steps(), "RB:23"), faults[5] == 'R' ? 1 : 0);
  }
}

struct CalModeCase {
  DfType family;
  const char* look;     // an entry on a gauge already in calibration mode
  const char* enter;    // an entry that switches once
  const char* refused;  // an entry a sealed gauge refuses
};

const CalModeCase kCalModeCases[] = {
    {DfType::RN44K18, "CFE MAC:0057 S:3 S:5 RB:23",
     "CFE MAC:0057 S:3 S:5 RB:23 MAC:002D S:3 S:50 MAC:0057 S:3 S:5 RB:23",
     "CFE MAC:0057 S:3 S:5 RB:23 MAC:002D S:3 S:50 MAC:0057 S:3 S:5 RB:23"},
    {DfType::CEDV_PLUS, "CFE RW:74 RW_:74", "CFE RW:74 RW_:74 MAC:002D S:3 S:50 RW_:74",
     "CFE RW:74 RW_:74 MAC:002D S:3 S:50 RW_:74 MAC:002D S:3 S:50 RW_:74"},
};

TEST(CalMode, TheFlagFollowsTheGaugeAcrossEntryAndExit) {
  for (const CalModeCase& c : kCalModeCases) {
    SCOPED_TRACE(DfTypeName(c.family));
    Bench bench(c.family);
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_TRUE(Module().calModeFlag);
    EXPECT_TRUE(bench.Gauge().CalibrationMode());
    EXPECT_EQ(bench.Steps(), c.enter);
    bench.ClearTrace();
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_EQ(bench.Steps(), c.look);
    // The exit subcommand ends the raw stream; the flag and the gauge's mode stay.
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_EQ(bench.Steps(), "MAC:F080 S:3 S:50");
    EXPECT_TRUE(Module().calModeFlag);

    sim::Scenario started = sim::DefaultScenario(c.family);
    started.calibrationMode = true;
    Bench already(started);
    EXPECT_EQ(EnsureCalMode(), 0);
    EXPECT_EQ(already.Steps(), c.look);
    EXPECT_TRUE(already.Gauge().CalibrationMode()) << "not switched off";
  }
}

TEST(CalMode, ASealedGaugeRefusesTheSwitchAndTheFlagClears) {
  for (const CalModeCase& c : kCalModeCases) {
    SCOPED_TRACE(DfTypeName(c.family));
    sim::Scenario s = sim::DefaultScenario(c.family);
    s.security = sim::SecurityMode::Sealed;
    Bench bench(s);
    Module().calModeFlag = true;  // left over from an earlier gauge
    EXPECT_EQ(EnsureCalMode(), 1);
    EXPECT_EQ(bench.Steps(), c.refused);
    EXPECT_FALSE(Module().calModeFlag);
    bench.ClearTrace();
    EXPECT_EQ(SendExitCalCommand(), 0);
    EXPECT_EQ(bench.Steps(), "");
  }
}

TEST(CalMode, RefusedTransfersOfTheEntry) {
  // family, faults, result, calibration-mode subcommands sent, the flag afterwards (a failed
  // read leaves it as it was)
  using Case = std::tuple<DfType, const char*, int32_t, int, bool>;
  for (const auto& [family, faults, result, switches, flag] :
       {Case{DfType::RN44K18, "nack RB:23", 1, 0, true},
        Case{DfType::RN44K18, "nack RB:23 #2", 1, 1, true},
        Case{DfType::CEDV_PLUS, "nack MAC", 0, 2, true},
        Case{DfType::CEDV_PLUS, "nack MAC x2", 1, 2, false},
        Case{DfType::CEDV_PLUS, "nack RW_:74 #2", 1, 1, true}}) {
    Bench bench(family, faults);
    Module().calModeFlag = true;
    EXPECT_EQ(EnsureCalMode(), result);
    EXPECT_EQ(Module().calModeFlag, flag);
    EXPECT_EQ(Count(bench.Steps(), "MAC:002D"), switches);
  }
  for (DfType family : {DfType::CEDV, DfType::QSPAN}) {
    for (bool flag : {false, true}) {
      Bench bench(family);
      Module().calModeFlag = flag;
      EXPECT_EQ(EnsureCalMode(), 0);
      EXPECT_EQ(Module().calModeFlag, flag);
      EXPECT_EQ(bench.Steps(), "") << "these gauges stream raw values without a mode switch";
    }
  }
  Bench exit(DfType::RN44K18, "nack MAC");
  Module().calModeFlag = true;
  EXPECT_EQ(SendExitCalCommand(), sim::kHostErrorNack);
  EXPECT_TRUE(Module().calModeFlag);
}

TEST(RawOutput, AStreamIsTrustedOnlyAfterResendRounds) {
  Bench bench(DfType::CEDV);
  EXPECT_EQ(StartRawCalOutput(), 0);
  const std::string round = " MAC:F080 S:3 S:20 MAC:0001 S:3 S:20 MAC:F081 S:3 S:200 RB:23";
  EXPECT_EQ(bench.Steps(),
            "MAC:F080 S:3 MAC:0001 S:3 S:100 MAC:F081 S:3 S:3 RB:23 RB:23" + round + round + round);
  EXPECT_EQ(RefreshRawCalGroup(), 0);
  EXPECT_EQ(Module().LiveTable[kLiveRawCal].items[1].value, "1");
  bench.ClearTrace();
  EXPECT_EQ(StartOffsetCalOutput(), 0);
  EXPECT_EQ(bench.Steps(), "MAC:F080 S:3 MAC:0001 S:3 S:20 MAC:F082 S:3 MAC:F082 S:3 S:200 RB:23");
  EXPECT_EQ(RefreshRawCalGroup(), 0);
  EXPECT_EQ(Module().LiveTable[kLiveRawCal].items[1].value, "2");
  EXPECT_TRUE(bench.Messages().empty());

  // Two blocks of a wrong length: two offset resend rounds.
  Bench resent(DfType::QSPAN, "short RB x2");
  EXPECT_EQ(StartOffsetCalOutput(), 0);
  EXPECT_THAT(resent.Steps(),
              ::testing::EndsWith("S:200 RB:23 MAC:F080 S:3 S:10 MAC:0001 S:3 S:20 MAC:F082 S:3 "
                                  "S:200 RB:23 MAC:F080 S:3 S:10 MAC:0001 S:3 S:20 MAC:F082 S:3 "
                                  "S:200 RB:23"));
  // A stream good only on the last resend round still counts as given up.
  using Case = std::tuple<bool, int, int32_t>;  // offset kind, blocks of a wrong length, result
  for (const auto& [offset, wrong, result] :
       {Case{true, 5, 0}, Case{true, 6, 1}, Case{false, 11, 0}, Case{false, 12, 1}}) {
    Bench late(DfType::QSPAN, "short RB x" + std::to_string(wrong));
    EXPECT_EQ(offset ? StartOffsetCalOutput() : StartRawCalOutput(), result) << wrong;
    EXPECT_EQ(Count(late.Steps(), offset ? "MAC:F082" : "MAC:F081"), offset ? 2 + wrong : wrong)
        << wrong;
  }
}

TEST(RawOutput, GivesUpAfterElevenRoundsOrSixForTheOffsetStream) {
  for (const sim::Scenario& s :
       {With(DfType::QSPAN, "short RB #0"), With(DfType::CEDV, "long RB #0"),
        sim::DefaultScenario(DfType::RN44K18)}) {  // outside calibration mode: no raw block
    Bench bench(s);
    EXPECT_EQ(StartRawCalOutput(), 1);
    EXPECT_EQ(Count(bench.Steps(), "MAC:F081"), 1 + 11);
    bench.ClearTrace();
    EXPECT_EQ(StartOffsetCalOutput(), 1);
    EXPECT_EQ(Count(bench.Steps(), "MAC:F082"), 2 + 6);
    EXPECT_EQ(RefreshRawCalGroup(), 1);
    EXPECT_EQ(bench.Messages(), Texts{"Unable to read raw cal values and update display."});
  }
}

// What the groups show is checked against the gauge with the live measurements.
TEST(DisplayGroups, RefusedTransfersClearTheRowsAndTwoRefusedCommandsReport) {
  Bench bench(DfType::RN44K18, "nack MAC");
  Module().LiveTable[kLiveVoltages].items[0].value = "3700";
  std::array<uint8_t, 256> buffer{};
  EXPECT_EQ(RefreshMODGroup(kLiveVoltages, buffer), 0);
  EXPECT_EQ(Module().LiveTable[kLiveVoltages].items[0].value, "")
      << "a command taken only on the second attempt gives no values";
  EXPECT_EQ(bench.Steps(), "MAC:0071 W:50 MAC:0071");

  Bench failing(DfType::RN44K18, "nack MAC x2");
  EXPECT_EQ(RefreshMODGroup(kLiveVoltages, buffer), sim::kHostErrorNack);
  failing.ClearTrace();
  EXPECT_EQ(RefreshMODGroups(), 0) << "the fault is over";
  Bench twoGroups(DfType::RN44K18, "nack MAC x2");
  EXPECT_EQ(RefreshMODGroups(), 1);
  EXPECT_EQ(twoGroups.Messages(),
            (Texts{"Failed to Write Command Voltages",
                   "Error returning values of Manufacturing Block. Please check communications."}));

  Bench unread(DfType::RN44K18, "nack RB #0; nack RW:0A");
  auto& live = Module().LiveTable;
  live[kLiveTemperatures].items[2].value = "20.0";
  live[kLiveCurrent].items[0].value = "5";
  EXPECT_EQ(RefreshMODGroups(), 0);
  EXPECT_EQ(live[kLiveTemperatures].items[2].value + live[kLiveCurrent].items[0].value, "");
  EXPECT_TRUE(unread.Messages().empty());
}

}  // namespace
}  // namespace gaugecal::test
