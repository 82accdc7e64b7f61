// Fault injection of the simulated gauges, one kind at a time, seen through the host link.

#include <gtest/gtest.h>

#include "device/HostLinkOps.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

sim::Scenario With(DfType family, sim::Fault fault) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.faults.push_back(fault);
  return s;
}

TEST(SimFaults, NoAnswerFailsEveryTransferAndQueuesItsError) {
  SimBench h(With(DfType::CEDV, {.kind = sim::FaultKind::NoAnswer, .occurrence = 0}));
  EXPECT_NE(CheckCommunication(), 0);
  h.Block(0x23);
  EXPECT_EQ(h.lastStatus, sim::kHostErrorNoAnswer);
  EXPECT_EQ(h.Gauge().PendingErrors(), 3u) << "wake-up read, state of charge, block read";
  ClearHostErrors();
  EXPECT_EQ(h.Gauge().PendingErrors(), 0u);
  EXPECT_EQ(h.Link().Delay(5), 0) << "a host-side wait involves no gauge";
}

TEST(SimFaults, NackStrikesTheChosenOccurrencesOfTheChosenTransfer) {
  struct Case {
    int occurrence;
    int count;
    std::vector<bool> refused;  // for five row writes in a row
  };
  for (const Case& c : {Case{2, 1, {false, true, false, false, false}},
                        Case{2, 2, {false, true, true, false, false}},
                        Case{0, 1, {true, true, true, true, true}}}) {
    SimBench h(With(DfType::RN44K18, {.kind = sim::FaultKind::Nack,
                                      .member = "WriteSMBusBlock",
                                      .command = 0x2F,
                                      .occurrence = c.occurrence,
                                      .count = c.count}));
    for (size_t i = 0; i < c.refused.size(); ++i) {
      h.Mac(0x0101);
      const std::vector<uint8_t> row(32, static_cast<uint8_t>(i + 1));
      h.WriteBlock(0x22, {0});  // another block write command does not count
      h.WriteBlock(0x2F, row);
      EXPECT_EQ(h.lastStatus != 0, c.refused[i]) << "write " << i + 1;
      h.Mac(0x0101);
      EXPECT_EQ(h.Block(0x2F) == row, !c.refused[i]) << "a refused write stores nothing";
    }
  }
}

TEST(SimFaults, NackWithoutMemberOrCommandMatchesAnyTransfer) {
  SimBench h(With(DfType::QSPAN, {.kind = sim::FaultKind::Nack, .occurrence = 3}));
  h.Word(0x0D);
  EXPECT_EQ(h.lastStatus, 0);
  h.Mac(0x0054);
  EXPECT_EQ(h.lastStatus, 0);
  h.Block(0x23);
  EXPECT_EQ(h.lastStatus, sim::kHostErrorNack);
  h.Block(0x23);
  EXPECT_EQ(h.lastStatus, 0);
}

TEST(SimFaults, ShortAndLongBlocksChangeTheLengthTheGaugeSends) {
  SimBench shortH(
      With(DfType::CEDV,
           {.kind = sim::FaultKind::ShortBlock, .command = 0x23, .occurrence = 2, .bytes = 1}));
  shortH.Mac(kRaw);
  EXPECT_EQ(shortH.Block(0x23).size(), 26u);
  EXPECT_EQ(shortH.Block(0x23).size(), 25u);
  EXPECT_EQ(shortH.Block(0x23).size(), 26u);

  SimBench longH(With(DfType::CEDV, {.kind = sim::FaultKind::LongBlock,
                                     .member = "ReadSMBusBlock_",
                                     .command = 0x58,
                                     .bytes = 3}));
  std::vector<uint8_t> buffer(10, 0xEE);
  int16_t length = 0;
  EXPECT_EQ(longH.Link().ReadSMBusBlock_(0x58, buffer, length, kGaugeAddress), 0);
  EXPECT_EQ(length, 67) << "the length the gauge sent";
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4),
            std::vector<uint8_t>(longH.Gauge().Flash().Bytes().begin(),
                                 longH.Gauge().Flash().Bytes().begin() + 4))
      << "never more than the buffer holds";
  const auto again = longH.Block(0x58);
  EXPECT_EQ(again.size(), 64u) << "only the first read";
}

TEST(SimFaults, TheRollingCounterStops) {
  sim::Scenario s = With(DfType::QSPAN, {.kind = sim::FaultKind::CounterStops, .afterMs = 1000});
  s.noiseCounts = 20;
  SimBench h(s);
  h.Mac(kRaw);
  const auto early = h.Block(0x23);
  h.platform.Sleep(1500);
  const auto stopped = h.Block(0x23);
  EXPECT_NE(stopped.at(0), early.at(0));
  h.platform.Sleep(2000);
  EXPECT_EQ(h.Block(0x23), stopped) << "no new sample after the stop";
}

TEST(SimFaults, ACorruptWriteIsAcknowledgedButStoresOtherBytes) {
  SimBench h(
      With(DfType::QSPAN,
           {.kind = sim::FaultKind::CorruptWrite, .occurrence = 1, .offset = 3, .xorMask = 0x10}));
  h.WriteWord(0x77, 104);
  auto sent = h.Block(0x78);
  sent[0] ^= 0x01;
  EXPECT_EQ(h.WriteBlock(0x78, sent), 0);
  auto stored = h.Block(0x78);
  EXPECT_EQ(stored[3], sent[3] ^ 0x10);
  stored[3] = sent[3];
  EXPECT_EQ(stored, sent) << "only the chosen byte differs";
  EXPECT_EQ(h.WriteBlock(0x78, sent), 0);
  EXPECT_EQ(h.Block(0x78), sent) << "the second write is clean";
}

TEST(SimFaults, AWrongDigestDiffersInItsLastByte) {
  const std::vector<uint8_t> challenge(20, 0x5A);
  SimBench good(DfType::RN44K18);
  good.WriteBlock(0x2F, challenge);
  const auto right = good.Block(0x2F);
  SimBench bad(With(DfType::RN44K18, {.kind = sim::FaultKind::WrongDigest, .occurrence = 0}));
  bad.WriteBlock(0x2F, challenge);
  auto wrong = bad.Block(0x2F);
  ASSERT_EQ(wrong.size(), 20u);
  EXPECT_EQ(wrong[0], right[0] ^ 0xFF) << "the most significant byte travels last... first";
  wrong[0] = right[0];
  EXPECT_EQ(wrong, right);
}

}  // namespace
}  // namespace gaugecal::test
