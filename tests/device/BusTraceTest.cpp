// The bus trace of a short exchange: every host-link call, sleep, wait and message box as one
// JSON line, fields in the documented order, timestamps on the virtual clock.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "device/HostLinkOps.h"
#include "support/ScriptedBench.h"

namespace gaugecal::test {
namespace {

TEST(BusTrace, ShortExchangeGivesOneLinePerEventInOrder) {
  ScriptedBench bench(DfType::RN44K18);
  bench.link.Queue("ReadSMBusWord", 0x0A, {.bytes = {0x18, 0xFC}});  // -1000 mA
  bench.link.QueueWord("ReadSMBusWord_", 0x0D, 87);
  bench.link.Queue("ReadSMBusBlock_", 0x23, {.bytes = {0x01, 0xAB, 0x00}});
  bench.link.Queue("WriteSMBusBlock", 0x2F, {.status = 5, .bytes = {}});
  bench.link.Queue("ReadSMBusBlock", 0x21, {.bytes = {'O', 'K'}});

  HostLink& link = *Module().hostLink;
  uint8_t msb = 0, lsb = 0;
  link.ReadSMBusWord(0x0A, msb, lsb, kGaugeAddress);
  int16_t word = 0;
  link.ReadSMBusWord_(0x0D, word, kGaugeAddress);
  link.WriteSMBusWord(0x77, 0, 0x68, kGaugeAddress);
  link.WriteSMBusWord_(0x00, static_cast<int16_t>(0xF081), kGaugeAddress);
  SleepMs(200);
  std::array<uint8_t, 256> buffer{};
  int16_t length = 0;
  link.ReadSMBusBlock_(0x23, buffer, length, kGaugeAddress);
  WaitSeconds(0.02F);
  const std::array<uint8_t, 4> image = {0xDE, 0xAD, 0xBE, 0xEF};
  link.WriteSMBusBlock(0x2F, image, 3, kGaugeAddress);  // only the length asked for is sent
  std::string text;
  link.ReadSMBusBlock(0x21, text, kGaugeAddress);
  link.CheckForError();
  link.Delay(250);
  ShowCriticalMessage("Unable to enter calibration mode.");
  bench.platform.MsgBox("Plain", MsgIcon::None, "Caption");

  // Sleeps and waits move the clock (the wait in steps of the single-precision timer); bus
  // calls on a scripted link take no time.
  EXPECT_EQ(
      bench.TraceText(),
      R"({"seq":1,"t_ms":0.0,"op":"ReadSMBusWord","cmd":10,"addr":23,"msb":252,"lsb":24,"status":0}
{"seq":2,"t_ms":0.0,"op":"ReadSMBusWord_","cmd":13,"addr":23,"word":87,"status":0}
{"seq":3,"t_ms":0.0,"op":"WriteSMBusWord","cmd":119,"addr":23,"msb":0,"lsb":104,"status":0}
{"seq":4,"t_ms":0.0,"op":"WriteSMBusWord_","cmd":0,"addr":23,"word":-3967,"status":0}
{"seq":5,"t_ms":0.0,"op":"Sleep","ms":200.0}
{"seq":6,"t_ms":200.0,"op":"ReadSMBusBlock_","cmd":35,"addr":23,"data":"01AB00","len":3,"status":0}
{"seq":7,"t_ms":200.0,"op":"Wait","ms":20.0}
{"seq":8,"t_ms":219.531,"op":"WriteSMBusBlock","cmd":47,"addr":23,"data":"DEADBE","len":3,"status":5}
{"seq":9,"t_ms":219.531,"op":"ReadSMBusBlock","cmd":33,"addr":23,"data":"4F4B","len":2,"status":0}
{"seq":10,"t_ms":219.531,"op":"CheckForError","status":0}
{"seq":11,"t_ms":219.531,"op":"Delay","status":0,"ms":250.0}
{"seq":12,"t_ms":219.531,"op":"MsgBox","text":"Unable to enter calibration mode.","icon":"critical"}
{"seq":13,"t_ms":219.531,"op":"MsgBox","text":"Plain","icon":"none","title":"Caption"}
)");
  const auto& shown = bench.platform.Messages();
  ASSERT_EQ(shown.size(), 2U);
  EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(shown[0].title, "");
  EXPECT_EQ(shown[1].text, "Plain");
  EXPECT_EQ(shown[1].title, "Caption");
}

}  // namespace
}  // namespace gaugecal::test
