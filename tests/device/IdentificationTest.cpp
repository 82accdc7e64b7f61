#include "device/Identification.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScriptedBench.h"

namespace gaugecal::test {
namespace {

struct Texts {
  std::string device, firmware, build, extra;
  bool operator==(const Texts&) const = default;
};

Texts Current() {
  const ModuleState& m = Module();
  return {m.IdDevice, m.IdFirmware, m.IdBuild, m.IdExtra};
}

TEST(Identification, AnswersOfElevenAndThirteenBytes) {
  struct Case {
    std::vector<uint8_t> answer;
    Texts expected;
    std::string joined;
  };
  const std::vector<Case> cases = {
      {{0x02, 0x50, 0x01, 0x10, 0x00, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00},
       {"250", "1_10", "5", "0001"},
       "250_1_10_5_0001"},
      // b6 = 0xFF: the build number comes from b9.
      {{0x04, 0x50, 0x02, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x07, 0x00},
       {"450", "2_01", "7", "0002"},
       "450_2_01_7_0002"},
      // Build numbers are decimal in the 11-byte answer.
      {{0x03, 0x60, 0x03, 0x00, 0x00, 0x04, 0x12, 0x00, 0x00, 0x00, 0x00},
       {"360", "3_00", "18", "0004"},
       "360_3_00_18_0004"},
      {{0x0A, 0x05, 0x01, 0x02, 0xAB, 0xCD, 0x00, 0x00, 0x00, 0x00, 0x00},
       {"A05", "1_02", "0", "ABCD"},
       "A05_1_02_0_ABCD"},
      // 13 bytes with b10 = 1: the build number is hexadecimal from b11 (dropped when 0) and b12.
      {{0x0A, 0x05, 0x01, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x1B},
       {"A05", "1_02", "1B", "0003"},
       "A05_1_02_1B_0003"},
      {{0x0A, 0x05, 0x01, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0B},
       {"A05", "1_02", "2B", "0003"},
       "A05_1_02_2B_0003"},
      {{0x00, 0x00, 0x10, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x1F, 0x00},
       {"000", "10_0F", "1F0", "0000"},
       "000_10_0F_1F0_0000"},
  };
  for (const Case& c : cases) {
    ScriptedBench bench(DfType::RN44K18);
    bench.link.Queue("ReadSMBusBlock_", 0x2F, {.bytes = c.answer});
    int32_t status = -1;
    EXPECT_EQ(ReadDeviceIdentification(0x17, status), c.joined);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Current(), c.expected) << c.joined;
  }
}

TEST(Identification, RejectedAnswersKeepTheEarlierTexts) {
  const Texts earlier{"250", "1_10", "5", "0001"};
  struct Case {
    const char* why;
    ScriptedAnswer answer;
  };
  const std::vector<Case> cases = {
      {"twelve bytes", {.bytes = std::vector<uint8_t>(12, 0x11)}},
      {"ten bytes", {.bytes = std::vector<uint8_t>(10, 0x11)}},
      {"nothing", {.bytes = {}}},
      {"failed read of a well-formed answer",
       {.status = 2, .bytes = {0x0A, 0x05, 1, 2, 0, 3, 4, 0, 0, 0, 0}}},
      {"thirteen bytes with b10 = 0",
       {.bytes = {0x0A, 0x05, 1, 2, 0, 3, 0, 0, 0, 0, 0x00, 0, 0x1B}}},
      {"thirteen bytes with b10 = 2",
       {.bytes = {0x0A, 0x05, 1, 2, 0, 3, 0, 0, 0, 0, 0x02, 0, 0x1B}}},
  };
  for (const Case& c : cases) {
    ScriptedBench bench(DfType::RN44K18);
    Module().IdDevice = earlier.device;
    Module().IdFirmware = earlier.firmware;
    Module().IdBuild = earlier.build;
    Module().IdExtra = earlier.extra;
    bench.link.Queue("ReadSMBusBlock_", 0x2F, c.answer);
    int32_t status = -1;
    EXPECT_EQ(ReadDeviceIdentification(kGaugeAddress, status), "") << c.why;
    EXPECT_EQ(status, c.answer.status) << c.why;
    EXPECT_EQ(Current(), earlier) << c.why;
    EXPECT_EQ(CountSteps(bench.Steps(), "S:500"), 0) << "no settle sleep for an unused answer";
  }
}

}  // namespace
}  // namespace gaugecal::test
