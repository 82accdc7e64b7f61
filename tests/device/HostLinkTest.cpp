// The host link seam: the bus trace of every call, the helpers over it (error drain,
// subcommands, the communication check, waits on the platform clock) and the identification.

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

// Every host-link call, sleep, wait and message box as one line, fields in a fixed order,
// timestamps on the virtual clock when the event ended. (Every test reads the steps back.)
TEST(BusTrace, OneLinePerEventInOrderWithItsFields) {
  Bench bench(DfType::RN44K18, "nack WB:2F");
  HostLink& link = *Module().hostLink;
  uint8_t msb = 0, lsb = 0;
  link.ReadSMBusWord(0x0A, msb, lsb, 0x16);
  SleepMs(200);
  const std::array<uint8_t, 4> image = {0xDE, 0xAD, 0xBE, 0xEF};
  link.WriteSMBusBlock(0x2F, image, 3, kGaugeAddress);  // only the length asked for is sent
  std::string text;
  link.ReadSMBusBlock(0x2F, text, kGaugeAddress);
  link.CheckForError();
  link.Delay(250);
  ShowCriticalMessage("Unable to enter calibration mode.");
  bench.platform.MsgBox("Plain", MsgIcon::None, "Caption");
  EXPECT_EQ(
      bench.TraceText(),
      R"({"seq":1,"t_ms":0.11,"op":"ReadSMBusWord","cmd":10,"addr":22,"msb":0,"lsb":0,"status":17}
{"seq":2,"t_ms":0.11,"op":"Sleep","ms":200.0}
{"seq":3,"t_ms":200.31,"op":"WriteSMBusBlock","cmd":47,"addr":23,"data":"DEADBE","len":3,"status":18}
{"seq":4,"t_ms":202.5,"op":"ReadSMBusBlock","cmd":47,"addr":23,"data":"0000000000000000000000000000000000000000","len":20,"status":0}
{"seq":5,"t_ms":202.5,"op":"CheckForError","status":17}
{"seq":6,"t_ms":452.5,"op":"Delay","status":0,"ms":250.0}
{"seq":7,"t_ms":452.5,"op":"MsgBox","text":"Unable to enter calibration mode.","icon":"critical"}
{"seq":8,"t_ms":452.5,"op":"MsgBox","text":"Plain","icon":"none","title":"Caption"}
)");
}

TEST(HostLinkOps, ErrorDrainSubcommandsAndTheCommunicationCheck) {
  Bench dead(DfType::CEDV, "noanswer #0");
  EXPECT_EQ(CheckCommunication(), sim::kHostErrorNoAnswer);
  EXPECT_EQ(WriteMACCommand(0x0054), sim::kHostErrorNoAnswer) << "the host's status";
  ClearHostErrors();
  EXPECT_EQ(dead.Steps(), "RW_:00 RW_:0D MAC:0054 S:3 CFE CFE CFE CFE");

  sim::Scenario moved = sim::DefaultScenario(DfType::CEDV_PLUS);
  moved.mac.accessRegister = 0x44;
  Bench bench(moved);
  Module().calConfig.KVMAC = 0x44;
  EXPECT_EQ(WriteMACCommand(static_cast<int16_t>(0xF080)), 0);
  EXPECT_EQ(bench.Steps(), "WW_:44=F080 S:3");

  using Case = std::tuple<double, const char*, int32_t>;
  for (const auto& [soc, faults, expected] :
       {Case{100, "", 0}, Case{101, "", 1}, Case{0, "", 0},
        Case{50, "nack RW_:00", 0},  // the wake-up read does not count
        Case{50, "nack RW_:0D", sim::kHostErrorNack}}) {
    sim::Scenario s = With(DfType::QSPAN, faults);
    s.stateOfCharge = soc;
    Bench gauge(s);
    EXPECT_EQ(CheckCommunication(), expected) << soc;
  }
}

// Waits run timers on the platform clock (which is single precision: at 09:00 it moves in steps
// of 1/512 s) and end early at midnight instead of hanging; sleeps run no timers.
TEST(HostLinkOps, WaitsRunTimersOnThePlatformClockAndSleepsDoNot) {
  Bench bench(DfType::CEDV);
  VirtualPlatform& platform = bench.platform;
  std::vector<double> ticks;
  const int id = platform.StartTimer(100, [&] { ticks.push_back(platform.ClockMs()); });
  WaitSeconds(0.0F);
  WaitSeconds(-1.0F);
  WaitMs(350);
  SleepMs(1000);
  WaitSeconds(0.132F);
  platform.StopTimer(id);
  ASSERT_EQ(ticks.size(), 5U);
  EXPECT_EQ(ticks[0] + ticks[1] + ticks[2], 600.0);
  EXPECT_GT(ticks[3], 1340.0) << "no timer during the sleep; once, not per missed interval, after";
  EXPECT_NEAR(ticks[4] - ticks[3], 100.0, 1e-6);
  VirtualPlatform late(86399.95);  // the timer says 86399.953125 and wraps at midnight
  Module().platform = &late;
  WaitSeconds(10.0F);
  EXPECT_NEAR(late.ClockMs(), 50.0, 10.0);
}

// Answers of 11 bytes (decimal build number, from b9 when b6 is 0xFF) and of 13 bytes with
// b10 = 1 (hexadecimal build from b11, left out when 0, and b12); any other answer, or a failed
// read, keeps the earlier texts and gives no settle sleep.
TEST(Identification, AnswersOfElevenAndThirteenBytes) {
  const std::vector<uint8_t> good = {0x0A, 0x05, 1, 2, 0, 3, 4, 0, 0, 0, 0};
  const std::vector<std::tuple<std::vector<uint8_t>, const char*, std::string>> cases = {
      {{0x02, 0x50, 0x01, 0x10, 0x00, 0x01, 0x05, 0, 0, 0, 0}, "", "250_1_10_5_0001"},
      {{0x04, 0x50, 0x02, 0x01, 0x00, 0x02, 0xFF, 0, 0, 0x07, 0}, "", "450_2_01_7_0002"},
      {{0x03, 0x60, 0x03, 0x00, 0x00, 0x04, 0x12, 0, 0, 0, 0}, "", "360_3_00_18_0004"},
      {{0x0A, 0x05, 0x01, 0x02, 0xAB, 0xCD, 0x00, 0, 0, 0, 0}, "", "A05_1_02_0_ABCD"},
      {{0x0A, 0x05, 0x01, 0x02, 0, 0x03, 0, 0, 0, 0, 0x01, 0x00, 0x1B}, "", "A05_1_02_1B_0003"},
      {{0x0A, 0x05, 0x01, 0x02, 0, 0x03, 0, 0, 0, 0, 0x01, 0x02, 0x0B}, "", "A05_1_02_2B_0003"},
      {{0x00, 0x00, 0x10, 0x0F, 0, 0, 0, 0, 0, 0, 0x01, 0x1F, 0x00}, "", "000_10_0F_1F0_0000"},
      {std::vector<uint8_t>(12, 0x11), "", ""},
      {std::vector<uint8_t>(10, 0x11), "", ""},
      {good, "nack RB:2F", ""},
      {{0x0A, 0x05, 1, 2, 0, 3, 0, 0, 0, 0, 0x00, 0, 0x1B}, "", ""},
      {{0x0A, 0x05, 1, 2, 0, 3, 0, 0, 0, 0, 0x02, 0, 0x1B}, "", ""}};
  for (const auto& [answer, faults, joined] : cases) {
    sim::Scenario s = With(DfType::RN44K18, faults);
    s.identification = answer;
    Bench bench(s);
    ModuleState& m = Module();
    m.IdDevice = m.IdFirmware = m.IdBuild = m.IdExtra = "earlier";
    int32_t status = -1;
    EXPECT_EQ(ReadDeviceIdentification(kGaugeAddress, status), joined);
    EXPECT_EQ(status, *faults ? sim::kHostErrorNack : 0);
    EXPECT_EQ(m.IdDevice + "_" + m.IdFirmware + "_" + m.IdBuild + "_" + m.IdExtra,
              joined.empty() ? "earlier_earlier_earlier_earlier" : joined);
    EXPECT_EQ(bench.Steps(), std::string("WB:22/62 WB:20/62 WB:22/62 CFE RB:2F") +
                                 (joined.empty() ? "" : " S:500"));
  }
}

}  // namespace
}  // namespace gaugecal::test
