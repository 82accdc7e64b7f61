#include "platform/VirtualPlatform.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "platform/TraceLog.h"

namespace gaugecal {
namespace {

TEST(VirtualPlatform, TimerIsSecondsSinceMidnightAndWraps) {
  VirtualPlatform p(86399.0);
  EXPECT_FLOAT_EQ(p.Timer(), 86399.0F);
  p.Sleep(500);
  EXPECT_FLOAT_EQ(p.Timer(), 86399.5F);
  p.Sleep(1000);
  EXPECT_FLOAT_EQ(p.Timer(), 0.5F);
  EXPECT_DOUBLE_EQ(p.ClockMs(), 1500.0) << "the monotonic clock does not wrap";
}

TEST(VirtualPlatform, DoEventsBlocksUntilTheNextTimerOrTheLimit) {
  VirtualPlatform p;
  std::vector<double> ticks;
  const int id = p.StartTimer(2000, [&] { ticks.push_back(p.ClockMs()); });

  p.DoEvents();  // nothing due, no time passes
  EXPECT_DOUBLE_EQ(p.ClockMs(), 0.0);
  p.DoEvents(0.5);  // the limit comes first
  EXPECT_DOUBLE_EQ(p.ClockMs(), 500.0);
  p.DoEvents(10.0);  // the timer comes first
  EXPECT_DOUBLE_EQ(p.ClockMs(), 2000.0);
  ASSERT_EQ(ticks.size(), 1U);

  // A timer that fell behind fires once, not once per missed interval.
  p.PassTime(7000.0);
  p.DoEvents();
  EXPECT_EQ(ticks.size(), 2U);
  p.StopTimer(id);
  p.DoEvents(5.0);
  EXPECT_EQ(ticks.size(), 2U);
  EXPECT_DOUBLE_EQ(p.ClockMs(), 14000.0);
}

TEST(VirtualPlatform, TimerMayStopItselfAndOthersFromItsTick) {
  VirtualPlatform p;
  int first = 0, second = 0;
  int secondId = 0;
  int firstId = 0;
  firstId = p.StartTimer(100, [&] {
    ++first;
    p.StopTimer(firstId);
    p.StopTimer(secondId);
  });
  secondId = p.StartTimer(100, [&] { ++second; });
  p.DoEvents(1.0);
  p.DoEvents(1.0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
}

TEST(VirtualPlatform, SleepsAreTracedAndPassTimeIsNot) {
  VirtualPlatform p;
  std::ostringstream out;
  TraceLog trace(out, [&p] { return p.ClockMs(); });
  p.SetTrace(&trace);
  p.Sleep(-5);  // a negative sleep is traced as asked but does not turn the clock back
  p.PassTime(12.5);
  p.Sleep(3);
  EXPECT_DOUBLE_EQ(p.ClockMs(), 15.5);
  EXPECT_EQ(out.str(),
            "{\"seq\":1,\"t_ms\":0.0,\"op\":\"Sleep\",\"ms\":-5.0}\n"
            "{\"seq\":2,\"t_ms\":12.5,\"op\":\"Sleep\",\"ms\":3.0}\n");
}

TEST(VirtualPlatform, RandomSourceRepeatsPerSeed) {
  VirtualPlatform a(0.0, 42), b(0.0, 42), c(0.0, 43);
  bool differs = false;
  for (int i = 0; i < 100; ++i) {
    const double x = a.Rnd();
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1.0);
    EXPECT_EQ(x, b.Rnd());
    differs = differs || x != c.Rnd();
  }
  EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace gaugecal
