#include "device/HostLinkOps.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "DeviceFixture.h"

namespace gaugecal::test {
namespace {

using HostLinkOps = DeviceFixture;

TEST_F(HostLinkOps, ClearHostErrorsDrainsTheQueueAndStopsAtTheFirstZero) {
  struct Case {
    std::deque<int32_t> pending;
    size_t expectedCalls;
  };
  for (const Case& c : {Case{{}, 1}, Case{{5}, 2}, Case{{7, -1, 3}, 4}}) {
    link_.calls.clear();
    link_.pendingErrors = c.pending;
    ClearHostErrors();
    EXPECT_EQ(link_.calls, std::vector<std::string>(c.expectedCalls, "CheckForError"));
    EXPECT_TRUE(link_.pendingErrors.empty());
  }
}

TEST_F(HostLinkOps, WriteMACCommandWritesToTheConfiguredRegisterThenSleeps3ms) {
  Module().calConfig.KVMAC = 0x44;
  link_.Queue("WriteSMBusWord_", 0x44, {.status = 9, .bytes = {}});

  EXPECT_EQ(WriteMACCommand(static_cast<int16_t>(0xF080)), 9) << "the host's status is returned";

  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 2U);
  EXPECT_EQ(trace[0]["op"], "WriteSMBusWord_");
  EXPECT_EQ(trace[0]["cmd"], 0x44);
  EXPECT_EQ(trace[0]["word"], -3968);
  EXPECT_EQ(trace[0]["addr"], kGaugeAddress);
  EXPECT_EQ(trace[1]["op"], "Sleep");
  EXPECT_EQ(trace[1]["ms"], 3);
  EXPECT_TRUE(platform_.Messages().empty()) << "callers report, not the write";
}

TEST_F(HostLinkOps, CheckCommunicationJudgesRelativeStateOfCharge) {
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
    ScriptedHostLink fresh;
    fresh.QueueWord("ReadSMBusWord_", 0x00, 0, c.wakeStatus);
    fresh.QueueWord("ReadSMBusWord_", 0x0D, c.soc, c.socStatus);
    Module().hostLink = &fresh;
    EXPECT_EQ(CheckCommunication(), c.expected) << c.soc << " status " << c.socStatus;
    EXPECT_EQ(fresh.calls, (std::vector<std::string>{"ReadSMBusWord_:0", "ReadSMBusWord_:13"}));
  }
}

TEST_F(HostLinkOps, CheckCommunicationReadsAtTheGaugeAddress) {
  link_.QueueWord("ReadSMBusWord_", 0x0D, 80);
  EXPECT_EQ(CheckCommunication(), 0);
  const auto reads = Trace({"ReadSMBusWord_"});
  ASSERT_EQ(reads.size(), 2U);
  for (const auto& r : reads)
    EXPECT_EQ(r["addr"], kGaugeAddress);
}

TEST_F(HostLinkOps, WaitAdvancesTheVirtualClockByTheWait) {
  struct Case {
    float seconds;
    double expectedMs;
  };
  // The timer is single precision: at 09:00 it moves in steps of 1/512 s.
  for (const Case& c : {Case{0.02F, 20.0}, Case{0.132F, 132.0}, Case{2.0F, 2000.0}}) {
    const double before = platform_.ClockMs();
    WaitSeconds(c.seconds);
    EXPECT_NEAR(platform_.ClockMs() - before, c.expectedMs, 2.0) << c.seconds;
  }
  const double before = platform_.ClockMs();
  WaitMs(250);
  EXPECT_NEAR(platform_.ClockMs() - before, 250.0, 2.0);
}

TEST_F(HostLinkOps, WaitOfNothingOrLessReturnsWithoutTime) {
  for (float seconds : {0.0F, -1.0F}) {
    const double before = platform_.ClockMs();
    WaitSeconds(seconds);
    EXPECT_EQ(platform_.ClockMs(), before);
  }
}

TEST_F(HostLinkOps, WaitRunsDueTimersWhileItWaits) {
  std::vector<double> ticks;
  const int id = platform_.StartTimer(100, [&] { ticks.push_back(platform_.ClockMs()); });
  WaitSeconds(0.35F);
  platform_.StopTimer(id);
  ASSERT_EQ(ticks.size(), 3U);
  EXPECT_DOUBLE_EQ(ticks[0], 100.0);
  EXPECT_DOUBLE_EQ(ticks[1], 200.0);
  EXPECT_DOUBLE_EQ(ticks[2], 300.0);
}

TEST_F(HostLinkOps, SleepRunsNoTimers) {
  int ticks = 0;
  platform_.StartTimer(10, [&] { ++ticks; });
  SleepMs(100);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(platform_.ClockMs(), 100.0);
}

class WaitAcrossMidnight : public DeviceFixture {
 protected:
  WaitAcrossMidnight() : DeviceFixture(86399.95) {}
};

TEST_F(WaitAcrossMidnight, EndsEarlyAtTheWrapInsteadOfHanging) {
  WaitSeconds(10.0F);
  // The timer says 86399.953125 at the start; the wait ends when it wraps to 0.
  EXPECT_GT(platform_.ClockMs(), 40.0);
  EXPECT_LT(platform_.ClockMs(), 60.0);
  EXPECT_LT(platform_.Timer(), 1.0F);
}

}  // namespace
}  // namespace gaugecal::test
