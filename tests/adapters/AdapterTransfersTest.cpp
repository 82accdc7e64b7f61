// Each adapter against its emulation, every transfer kind: the same script of host-link calls
// on the simulated gauge itself and through the i2c-dev and CP2112 drivers (with and without
// PEC, and on a bus with SMBus calls only) must leave the same bus trace, byte for byte and
// millisecond for millisecond, with one wire transfer per call.

#include <gtest/gtest.h>

#include <functional>

#include "AdapterRig.h"

namespace gaugecal::test {
namespace {

using Script = std::function<void(AdapterRig&)>;

// Word reads (both forms) and writes (both forms), short and text block reads, block writes of
// up to 32 bytes, a refused command, the error queue and the host delay. (Nobody at the
// address reads differently on the bridge, which cannot tell it from a refusal: AdapterFaults.)
void Common(AdapterRig& r) {
  HostLink& link = r.Link();
  uint8_t msb = 0, lsb = 0;
  int16_t word = 0;
  link.ReadSMBusWord(0x09, msb, lsb, kGauge);
  link.ReadSMBusWord_(0x0D, word, kGauge);
  link.WriteSMBusWord_(0x00, 0x0054, kGauge);
  r.Block(0x23);
  link.WriteSMBusWord(0x00, 0x00, 0x57, kGauge);
  r.Block(0x23);
  r.WriteBlock(0x2F, std::vector<uint8_t>(20, 0xA5));  // an authentication challenge
  std::string text;
  link.ReadSMBusBlock(0x2F, text, kGauge);
  link.ReadSMBusWord_(0x99, word, kGauge);  // no such command: refused
  r.HostErrors();
  link.Delay(7);
}

struct Case {
  const char* family;
  Script script;
  bool longTransfers;  // longer than an SMBus-only bus carries
};

const Case kCases[] = {
    {"RN44K18",
     [](AdapterRig& r) {
       Common(r);
       r.WriteWord(0x00, 0x0101);  // row 1 of data flash
       std::vector<uint8_t> row = r.Block(0x2F);
       row[3] ^= 0x5A;
       r.WriteBlock(0x2F, row);  // a 32-byte block write
       r.WriteWord(0x00, 0x0101);
       r.Block(0x2F);
     },
     false},
    {"CEDV",
     [](AdapterRig& r) {
       Common(r);
       uint8_t msb = 0, lsb = 0;
       r.Link().ReadSMBusWord(0x2F, msb, lsb, kGauge);  // word and block on the same command
       std::vector<uint8_t> page = r.Block(0x58);       // 64 bytes
       page.resize(29);
       page[8] ^= 0x01;
       r.WriteBlock(0x58, page);
       r.Block(0x58);
       r.WriteBlock(0x22, std::vector<uint8_t>(62, 0));  // 62 bytes
     },
     true},
    {"QSPAN",
     [](AdapterRig& r) {
       Common(r);
       r.WriteWord(0x77, 104);
       std::vector<uint8_t> sub = r.Block(0x78);
       sub[0] ^= 0x10;
       r.WriteBlock(0x78, sub);
       r.Block(0x78);
     },
     false},
    {"CEDV_PLUS",
     [](AdapterRig& r) {
       Common(r);
       r.Word(0x74);
       r.WriteWord(0x00, 0x002D);
       r.Word(0x74);
     },
     false},
};

TEST(AdapterTransfers, EveryKindLeavesTheTraceOfTheSimulatedGaugeWithOneWireTransferEach) {
  const char* adapters[] = {"i2c-sim", "i2c-sim,pec", "cp2112-sim", "cp2112-sim,pec"};
  for (const Case& c : kCases) {
    AdapterRig reference(std::string("sim:") + c.family,
                         sim::DefaultScenario(*sim::ParseFamily(c.family)));
    c.script(reference);
    const int64_t calls = reference.Gauge().Transfers();
    for (const char* a : adapters) {
      std::string name = a;
      const size_t comma = name.find(',');
      name.insert(comma == std::string::npos ? name.size() : comma, std::string(":") + c.family);
      SCOPED_TRACE(name);
      AdapterRig rig(name, sim::DefaultScenario(*sim::ParseFamily(c.family)));
      ASSERT_TRUE(rig.Open()) << rig.openError;
      const bool bridge = name.rfind("cp2112", 0) == 0;
      if (bridge && c.longTransfers)
        continue;  // the bridge's limit has its own test
      c.script(rig);
      EXPECT_EQ(rig.Trace(), reference.Trace());
      EXPECT_EQ(rig.Wire(), calls);
      EXPECT_TRUE(rig.warnings.empty()) << rig.warnings.front();
    }
  }
}

TEST(AdapterTransfers, ABusWithSmbusCallsOnlyCarriesTheSameUpToThirtyTwoBytes) {
  adapters::emulation::FakeBusConfig smbusOnly;
  smbusOnly.funcs = I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_PEC;
  for (const Case& c : kCases) {
    if (c.longTransfers)
      continue;
    SCOPED_TRACE(c.family);
    const sim::Scenario s = sim::DefaultScenario(*sim::ParseFamily(c.family));
    AdapterRig reference(std::string("sim:") + c.family, s);
    AdapterRig rig(std::string("i2c-sim:") + c.family + ",pec", s, smbusOnly);
    c.script(reference);
    c.script(rig);
    EXPECT_EQ(rig.Trace(), reference.Trace());
    EXPECT_EQ(rig.Wire(), reference.Gauge().Transfers());
  }
}

}  // namespace
}  // namespace gaugecal::test
