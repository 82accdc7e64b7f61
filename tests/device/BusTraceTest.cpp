// The bus trace of a short exchange: every host-link call, sleep, wait and message box as one
// JSON line, fields in the documented order, timestamps on the virtual clock.

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "device/HostLinkOps.h"

namespace gaugecal::test {
namespace {

using BusTrace = DeviceFixture;

// The field names of every trace line, in the order they were written.
std::vector<std::vector<std::string>> FieldOrder(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> keys;
    const auto parsed = nlohmann::ordered_json::parse(line);
    for (auto it = parsed.begin(); it != parsed.end(); ++it)
      keys.push_back(it.key());
    lines.push_back(keys);
  }
  return lines;
}

TEST_F(BusTrace, ShortExchangeGivesOneLinePerEventInOrder) {
  link_.Queue("ReadSMBusWord", 0x0A, {.bytes = {0x18, 0xFC}});  // -1000 mA
  link_.QueueWord("ReadSMBusWord_", 0x0D, 87);
  link_.Queue("ReadSMBusBlock_", 0x23, {.bytes = {0x01, 0xAB, 0x00}});
  link_.Queue("WriteSMBusBlock", 0x2F, {.status = 5, .bytes = {}});
  link_.Queue("ReadSMBusBlock", 0x21, {.bytes = {'O', 'K'}});

  uint8_t msb = 0, lsb = 0;
  tracing_.ReadSMBusWord(0x0A, msb, lsb, kGaugeAddress);
  int16_t word = 0;
  tracing_.ReadSMBusWord_(0x0D, word, kGaugeAddress);
  tracing_.WriteSMBusWord(0x77, 0, 0x68, kGaugeAddress);
  tracing_.WriteSMBusWord_(0x00, static_cast<int16_t>(0xF081), kGaugeAddress);
  SleepMs(200);
  std::array<uint8_t, 256> buffer{};
  int16_t length = 0;
  tracing_.ReadSMBusBlock_(0x23, buffer, length, kGaugeAddress);
  WaitSeconds(0.02F);
  const std::array<uint8_t, 4> image = {0xDE, 0xAD, 0xBE, 0xEF};
  tracing_.WriteSMBusBlock(0x2F, image, 3, kGaugeAddress);
  std::string text;
  tracing_.ReadSMBusBlock(0x21, text, kGaugeAddress);
  tracing_.CheckForError();
  tracing_.Delay(250);
  ShowCriticalMessage("Unable to enter calibration mode.");
  platform_.MsgBox("Plain", MsgIcon::None, "Caption");

  const auto trace = Trace();
  const std::vector<std::vector<std::string>> keys = {
      {"seq", "t_ms", "op", "cmd", "addr", "msb", "lsb", "status"},
      {"seq", "t_ms", "op", "cmd", "addr", "word", "status"},
      {"seq", "t_ms", "op", "cmd", "addr", "msb", "lsb", "status"},
      {"seq", "t_ms", "op", "cmd", "addr", "word", "status"},
      {"seq", "t_ms", "op", "ms"},
      {"seq", "t_ms", "op", "cmd", "addr", "data", "len", "status"},
      {"seq", "t_ms", "op", "ms"},
      {"seq", "t_ms", "op", "cmd", "addr", "data", "len", "status"},
      {"seq", "t_ms", "op", "cmd", "addr", "data", "len", "status"},
      {"seq", "t_ms", "op", "status"},
      {"seq", "t_ms", "op", "status", "ms"},
      {"seq", "t_ms", "op", "text", "icon"},
      {"seq", "t_ms", "op", "text", "icon", "title"},
  };
  ASSERT_EQ(trace.size(), keys.size());
  const auto order = FieldOrder(traceText_.str());
  for (size_t i = 0; i < trace.size(); ++i) {
    EXPECT_EQ(order[i], keys[i]) << trace[i].dump();
    EXPECT_EQ(trace[i]["seq"], i + 1);
  }

  EXPECT_EQ(trace[0]["op"], "ReadSMBusWord");
  EXPECT_EQ(trace[0]["msb"], 0xFC);
  EXPECT_EQ(trace[0]["lsb"], 0x18);
  EXPECT_EQ(trace[0]["addr"], 0x17);
  EXPECT_EQ(trace[1]["op"], "ReadSMBusWord_");
  EXPECT_EQ(trace[1]["word"], 87);
  EXPECT_EQ(trace[2]["op"], "WriteSMBusWord");
  EXPECT_EQ(trace[2]["cmd"], 0x77);
  EXPECT_EQ(trace[2]["lsb"], 0x68);
  EXPECT_EQ(trace[3]["op"], "WriteSMBusWord_");
  EXPECT_EQ(trace[3]["word"], -3967);
  EXPECT_EQ(trace[4]["op"], "Sleep");
  EXPECT_EQ(trace[4]["ms"], 200);
  EXPECT_EQ(trace[5]["op"], "ReadSMBusBlock_");
  EXPECT_EQ(trace[5]["data"], "01AB00");
  EXPECT_EQ(trace[5]["len"], 3);
  EXPECT_EQ(trace[6]["op"], "Wait");
  EXPECT_DOUBLE_EQ(trace[6]["ms"].get<double>(), 20.0) << "no float noise in the trace";
  EXPECT_EQ(trace[7]["op"], "WriteSMBusBlock");
  EXPECT_EQ(trace[7]["data"], "DEADBE") << "only the length asked for is sent";
  EXPECT_EQ(trace[7]["len"], 3);
  EXPECT_EQ(trace[7]["status"], 5);
  EXPECT_EQ(trace[8]["op"], "ReadSMBusBlock");
  EXPECT_EQ(trace[8]["data"], "4F4B");
  EXPECT_EQ(trace[9]["op"], "CheckForError");
  EXPECT_EQ(trace[10]["op"], "Delay");
  EXPECT_EQ(trace[10]["ms"], 250);
  EXPECT_EQ(trace[11]["op"], "MsgBox");
  EXPECT_EQ(trace[11]["text"], "Unable to enter calibration mode.");
  EXPECT_EQ(trace[11]["icon"], "critical");
  EXPECT_EQ(trace[12]["icon"], "none");
  EXPECT_EQ(trace[12]["title"], "Caption");
  const auto& shown = platform_.Messages();
  ASSERT_EQ(shown.size(), 2U);
  EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(shown[0].title, "");
  EXPECT_EQ(shown[1].text, "Plain");
  EXPECT_EQ(shown[1].title, "Caption");

  // Sleeps and waits move the clock; bus calls on a scripted link take no time.
  EXPECT_EQ(trace[4]["t_ms"], 0.0);
  EXPECT_EQ(trace[5]["t_ms"], 200.0);
  EXPECT_EQ(trace[6]["t_ms"], 200.0);
  EXPECT_NEAR(trace[7]["t_ms"].get<double>(), 220.0, 2.0);
}

}  // namespace
}  // namespace gaugecal::test
