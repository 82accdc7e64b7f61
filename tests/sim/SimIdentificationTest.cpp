// Identification, the host error queue and the bus time of the simulated gauges; the tool's
// identification of every family is checked end to end in tests/cli/CliIdentifyTest.

#include <gtest/gtest.h>

#include <functional>

#include "device/HostLinkOps.h"
#include "support/SimBench.h"

namespace gaugecal::test {
namespace {

TEST(SimIdentification, Block2FAnswersTheIdentificationOnlyAfterTheWholeHandshake) {
  SimBench h(DfType::RN44K18);
  const std::vector<uint8_t> zeros(62, 0);
  EXPECT_EQ(h.Block(0x2F).size(), 20u) << "at power-up 0x2F holds the last digest";
  h.WriteBlock(0x22, zeros);
  h.WriteBlock(0x22, zeros);
  EXPECT_EQ(h.Block(0x2F).size(), 20u) << "0x20 was skipped";
  h.WriteBlock(0x20, zeros);
  h.WriteBlock(0x22, zeros);
  EXPECT_EQ(h.Block(0x2F).size(), 13u);
  EXPECT_EQ(h.Block(0x2F).size(), 13u) << "the answer stays until 0x2F is used otherwise";

  std::string text;
  EXPECT_EQ(h.Link().ReadSMBusBlock(0x2F, text, kGaugeAddress), 0);
  EXPECT_EQ(text.size(), 13u) << "the security panel reads 0x2F as text";
}

TEST(SimIdentification, CommunicationCheckFollowsTheStateOfCharge) {
  struct Case {
    double soc;
    int32_t expected;
  };
  for (const Case& c : {Case{62.0, 0}, Case{100.0, 0}, Case{101.0, 1}}) {
    SimBench h(DfType::CEDV);
    h.Gauge().Settings().stateOfCharge = c.soc;
    EXPECT_EQ(CheckCommunication(), c.expected) << c.soc;
  }
}

TEST(SimIdentification, EveryFailedTransferQueuesOneHostError) {
  SimBench h(DfType::QSPAN);
  uint8_t msb = 0, lsb = 0;
  EXPECT_NE(h.Link().ReadSMBusWord(0x0D, msb, lsb, 0x16), 0) << "nobody at 0x16";
  EXPECT_NE(h.Link().ReadSMBusWord(0x44, msb, lsb, kGaugeAddress), 0) << "no such command";
  EXPECT_EQ(h.Gauge().PendingErrors(), 2u);
  EXPECT_EQ(h.Link().CheckForError(), sim::kHostErrorNoAnswer);
  EXPECT_EQ(h.Link().CheckForError(), sim::kHostErrorNack);
  EXPECT_EQ(h.Link().CheckForError(), 0);
  EXPECT_EQ(h.Word(0x0D), 62) << "a good transfer queues nothing";
  EXPECT_EQ(h.Link().CheckForError(), 0);
}

TEST(SimIdentification, EveryTransferTakesItsHundredKilohertzBusTime) {
  SimBench h(DfType::RN44K18);
  struct Case {
    const char* what;
    std::function<void()> transfer;
    double ms;
  };
  const std::vector<uint8_t> row(32, 0);
  const Case cases[] = {
      {"word read", [&] { h.Word(0x0D); }, 0.48},
      {"word write", [&] { h.Mac(0x0100); }, 0.38},
      {"32-byte block read", [&] { h.Block(0x2F); }, 3.27},
      {"32-byte block write", [&] { h.WriteBlock(0x2F, row); }, 3.17},
      {"refused command", [&] { h.Word(0x44); }, 0.20},
      {"nobody at the address",
       [&] {
         int16_t w = 0;
         h.Link().ReadSMBusWord_(0x0D, w, 0x33);
       },
       0.11},
      {"host error drain", [&] { h.Link().CheckForError(); }, 0.0},
      {"host delay", [&] { h.Link().Delay(7); }, 7.0},
  };
  for (const Case& c : cases) {
    const double before = h.platform.ClockMs();
    c.transfer();
    EXPECT_NEAR(h.platform.ClockMs() - before, c.ms, 1e-9) << c.what;
  }
}

}  // namespace
}  // namespace gaugecal::test
