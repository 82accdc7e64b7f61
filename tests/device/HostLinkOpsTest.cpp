#include "device/HostLinkOps.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "support/ScriptedBench.h"

namespace gaugecal::test {
namespace {

TEST(HostLinkOps, ClearHostErrorsDrainsTheQueueAndStopsAtTheFirstZero) {
  ScriptedBench bench(DfType::RN44K18);
  struct Case {
    std::deque<int32_t> pending;
    size_t expectedCalls;
  };
  for (const Case& c : {Case{{}, 1}, Case{{5}, 2}, Case{{7, -1, 3}, 4}}) {
    bench.link.calls.clear();
    bench.link.pendingErrors = c.pending;
    ClearHostErrors();
    EXPECT_EQ(bench.link.calls, std::vector<std::string>(c.expectedCalls, "CheckForError"));
    EXPECT_TRUE(bench.link.pendingErrors.empty());
  }
}

TEST(HostLinkOps, WriteMACCommandWritesToTheConfiguredRegisterThenSleeps3ms) {
  ScriptedBench bench(DfType::RN44K18);
  Module().calConfig.KVMAC = 0x44;
  bench.link.Queue("WriteSMBusWord_", 0x44, {.status = 9, .bytes = {}});
  EXPECT_EQ(WriteMACCommand(static_cast<int16_t>(0xF080)), 9) << "the host's status is returned";
  EXPECT_EQ(bench.Steps(), (std::vector<std::string>{"WW_:44=F080", "S:3"}));
  EXPECT_EQ(bench.Trace()[0]["addr"], kGaugeAddress);
  EXPECT_TRUE(bench.Messages().empty()) << "callers report, not the write";
}

TEST(HostLinkOps, CheckCommunicationJudgesRelativeStateOfCharge) {
  struct Case {
    int32_t wakeStatus;
    int16_t soc;
    int32_t socStatus;
    int32_t expected;
  };
  for (const Case& c : {Case{0, 100, 0, 0}, Case{0, 101, 0, 1}, Case{0, 0, 0, 0},
                        Case{0, -1, 0, 0},  // a word above 0x7FFF compares as negative
                        Case{4, 55, 0, 0},  // a failing wake-up read does not count
                        Case{0, 50, 6, 6}}) {
    ScriptedBench bench(DfType::RN44K18);
    bench.link.QueueWord("ReadSMBusWord_", 0x00, 0, c.wakeStatus);
    bench.link.QueueWord("ReadSMBusWord_", 0x0D, c.soc, c.socStatus);
    EXPECT_EQ(CheckCommunication(), c.expected) << c.soc << " status " << c.socStatus;
    EXPECT_EQ(bench.link.calls,
              (std::vector<std::string>{"ReadSMBusWord_:0", "ReadSMBusWord_:13"}));
  }
}

TEST(HostLinkOps, WaitAdvancesTheVirtualClockByTheWaitAndRunsDueTimers) {
  ScriptedBench bench(DfType::RN44K18);
  VirtualPlatform& platform = bench.platform;
  struct Case {
    float seconds;
    double expectedMs;
  };
  // The timer is single precision: at 09:00 it moves in steps of 1/512 s.
  for (const Case& c : {Case{0.02F, 20.0}, Case{0.132F, 132.0}, Case{2.0F, 2000.0}, Case{0.0F, 0.0},
                        Case{-1.0F, 0.0}}) {
    const double before = platform.ClockMs();
    WaitSeconds(c.seconds);
    EXPECT_NEAR(platform.ClockMs() - before, c.expectedMs, c.seconds > 0 ? 2.0 : 0.0) << c.seconds;
  }
  double before = platform.ClockMs();
  WaitMs(250);
  EXPECT_NEAR(platform.ClockMs() - before, 250.0, 2.0);

  std::vector<double> ticks;
  before = platform.ClockMs();
  const int id = platform.StartTimer(100, [&] { ticks.push_back(platform.ClockMs() - before); });
  WaitSeconds(0.35F);
  platform.StopTimer(id);
  ASSERT_EQ(ticks.size(), 3U);
  EXPECT_DOUBLE_EQ(ticks[0], 100.0);
  EXPECT_DOUBLE_EQ(ticks[2], 300.0);
}

TEST(HostLinkOps, SleepRunsNoTimers) {
  ScriptedBench bench(DfType::RN44K18);
  int ticks = 0;
  bench.platform.StartTimer(10, [&] { ++ticks; });
  SleepMs(100);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(bench.platform.ClockMs(), 100.0);
}

TEST(HostLinkOps, WaitAcrossMidnightEndsEarlyAtTheWrapInsteadOfHanging) {
  ScriptedBench bench(DfType::RN44K18);
  VirtualPlatform platform(86399.95);
  Module().platform = &platform;
  WaitSeconds(10.0F);
  // The timer says 86399.953125 at the start; the wait ends when it wraps to 0.
  EXPECT_GT(platform.ClockMs(), 40.0);
  EXPECT_LT(platform.ClockMs(), 60.0);
  EXPECT_LT(platform.Timer(), 1.0F);
}

}  // namespace
}  // namespace gaugecal::test
