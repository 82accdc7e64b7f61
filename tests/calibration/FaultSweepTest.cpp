// A refused transfer at every transfer of a calibration run in turn (entry, engine and exit):
// the run never crashes, never reports success unless the gauge holds exactly the constants of
// a clean run, always explains a failure, and never leaves a data flash byte that is neither
// the old nor the new value, nor the gauge in calibration mode (or the flag saying so).

#include <gtest/gtest.h>

#include <sstream>

#include "CalRig.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

struct SweepCase {
  DfType family;
  CalibrationAction action;
};

std::string Name(const ::testing::TestParamInfo<SweepCase>& info) {
  static const char* kActions[] = {"VoltageTemperature", "PackVoltage", "PackCurrent", "CCOffset",
                                   "BoardOffset"};
  return std::string(DfTypeName(info.param.family)) + "_" +
         kActions[static_cast<int>(info.param.action)];
}

struct RunOutcome {
  int32_t result = 0;
  std::vector<uint8_t> flash;
  std::vector<std::string> messages;
  int64_t firstTransfer = 0;  // transfers before the run
  int64_t transfers = 0;      // transfers of the run
  bool calMode = false;       // the gauge in calibration mode, or the flag set
};

RunOutcome RunOnce(const SweepCase& c, std::optional<int64_t> nackAt) {
  sim::Scenario s = QuietScenario(c.family);
  if (nackAt)
    s.faults.push_back({.kind = sim::FaultKind::Nack, .occurrence = static_cast<int>(*nackAt)});
  CalRig rig(s);
  CalibrationRequest request = rig.ReferenceRequest(c.action);
  RunOutcome run;
  run.firstTransfer = rig.Gauge().Transfers();
  run.result = rig.Run(request);
  run.transfers = rig.Gauge().Transfers() - run.firstTransfer;
  run.flash = rig.Gauge().Flash().Bytes();
  run.messages = rig.Messages();
  run.calMode = rig.Gauge().CalibrationMode() || Module().calModeFlag;
  return run;
}

class FaultSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(FaultSweepTest, EveryRefusedTransferEndsCleanly) {
  const SweepCase c = GetParam();
  const std::vector<uint8_t> initial = CalRig(QuietScenario(c.family)).Gauge().Flash().Bytes();
  const RunOutcome clean = RunOnce(c, std::nullopt);
  ASSERT_EQ(clean.result, 0);
  ASSERT_TRUE(clean.messages.empty()) << clean.messages.front();
  ASSERT_NE(clean.flash, initial) << "the clean run must change something";

  std::ostringstream record;
  int failures = 0;
  for (int64_t i = 1; i <= clean.transfers; ++i) {
    const RunOutcome r = RunOnce(c, clean.firstTransfer + i);
    SCOPED_TRACE("refused transfer " + std::to_string(i) + " of " +
                 std::to_string(clean.transfers));
    EXPECT_FALSE(r.calMode);
    std::string state = r.flash == initial ? "old" : r.flash == clean.flash ? "new" : "mixed";
    for (size_t b = 0; b < r.flash.size(); ++b) {
      EXPECT_TRUE(r.flash[b] == initial[b] || r.flash[b] == clean.flash[b])
          << "byte " << b << " is neither old nor new";
    }
    if (r.result == 0) {
      EXPECT_EQ(state, "new") << "success without the new constants in the gauge";
    } else {
      ++failures;
      EXPECT_FALSE(r.messages.empty()) << "a failure without a message";
    }
    record << i << ':' << r.result << ':' << state << ':'
           << (r.messages.empty() ? "" : r.messages.front()) << '\n';
  }
  EXPECT_GT(failures, 0);
  ::testing::Test::RecordProperty("outcomes", record.str());
}

std::vector<SweepCase> AllCases() {
  std::vector<SweepCase> cases;
  for (DfType f : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (CalibrationAction a : {CalibrationAction::VoltageTemperature,
                                CalibrationAction::PackVoltage, CalibrationAction::PackCurrent,
                                CalibrationAction::CCOffset, CalibrationAction::BoardOffset}) {
      cases.push_back({f, a});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Calibrations, FaultSweepTest, ::testing::ValuesIn(AllCases()), Name);

}  // namespace
}  // namespace gaugecal::test
