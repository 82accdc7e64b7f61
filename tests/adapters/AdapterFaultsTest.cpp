// Each adapter against its emulation, every fault path: the status of the failed transfer,
// the one host error CheckForError reports for it, how many transfers went out on the wire
// (none sent twice unless the bus driver was told to retry) and how long the wait took.

#include <gtest/gtest.h>

#include <cerrno>

#include "AdapterRig.h"
#include "adapters/cp2112/Reports.h"

namespace gaugecal::test {
namespace {

using sim::FaultKind;

enum class Op { ReadWord, WriteWord, ReadBlock, WriteBlock };

struct FaultCase {
  const char* adapter;  // FAMILY is RN44K18
  sim::Fault fault;
  Op op;
  int32_t status;
  int64_t wire;         // transfers on the wire
  double minMs, maxMs;  // virtual time the call took
};

sim::Fault F(FaultKind kind, const char* member = "", int bytes = 1) {
  sim::Fault f;
  f.kind = kind;
  f.member = member;
  f.bytes = bytes;
  return f;
}

const FaultCase kFaults[] = {
    {"i2c-sim", F(FaultKind::Nack), Op::ReadWord, 0x12, 1, 0, 1},
    {"cp2112-sim", F(FaultKind::Nack), Op::WriteWord, 0x12, 1, 0, 1},
    {"i2c-sim", F(FaultKind::NoAnswer), Op::ReadBlock, 0x11, 1, 0, 1},
    {"cp2112-sim", F(FaultKind::NoAnswer), Op::ReadBlock, 0x12, 1, 0, 1},  // cannot tell
    {"i2c-sim", F(FaultKind::BusyForever), Op::ReadWord, 0x13, 1, 1000, 1001},
    {"i2c-sim,timeout=200", F(FaultKind::BusyForever), Op::WriteBlock, 0x13, 1, 200, 201},
    {"cp2112-sim", F(FaultKind::BusyForever), Op::ReadWord, 0x13, 1, 150, 152},
    {"cp2112-sim,timeout=20", F(FaultKind::BusyForever), Op::WriteWord, 0x13, 1, 70, 72},
    {"i2c-sim", F(FaultKind::ArbitrationLost), Op::WriteWord, 0x16, 1, 0, 1},
    {"i2c-sim,retries=2", F(FaultKind::ArbitrationLost), Op::WriteWord, 0, 2, 0, 1},
    {"cp2112-sim", F(FaultKind::ArbitrationLost), Op::ReadBlock, 0x16, 1, 0, 1},
    {"i2c-sim", F(FaultKind::ReadIncomplete, "", 1), Op::ReadBlock, 0x14, 1, 0, 1},
    {"i2c-sim", F(FaultKind::ReadIncomplete, "ReadSMBusWord_", 1), Op::ReadWord, 0x14, 1, 0, 1},
    {"cp2112-sim", F(FaultKind::ReadIncomplete, "", 3), Op::ReadBlock, 0x14, 1, 0, 1},
    {"i2c-sim,pec", F(FaultKind::PecMismatch), Op::ReadWord, 0x15, 1, 0, 1},
    {"i2c-sim,pec", F(FaultKind::PecMismatch), Op::ReadBlock, 0x15, 1, 0, 1},
    {"i2c-sim,pec", F(FaultKind::PecMismatch), Op::WriteWord, 0x12, 1, 0, 1},
    {"i2c-sim", F(FaultKind::PecMismatch), Op::ReadWord, 0, 1, 0, 1},  // no PEC, no check
    {"cp2112-sim,pec", F(FaultKind::PecMismatch), Op::ReadBlock, 0x15, 1, 0, 1},
    {"cp2112-sim,pec", F(FaultKind::PecMismatch), Op::WriteBlock, 0x12, 1, 0, 1},
    {"i2c-sim", F(FaultKind::Unplugged), Op::WriteWord, 0x17, 1, 0, 1},
    {"cp2112-sim", F(FaultKind::Unplugged), Op::ReadBlock, 0x17, 1, 0, 1},
    {"i2c-sim", F(FaultKind::ShortBlock, "", 2), Op::ReadBlock, 0, 1, 0, 1},  // the gauge's own
};

int32_t Apply(AdapterRig& r, Op op) {
  switch (op) {
    case Op::ReadWord:
      r.Word(0x0D);
      break;
    case Op::WriteWord:
      r.WriteWord(0x00, 0x0030);  // seal
      break;
    case Op::ReadBlock:
      r.Block(0x23);  // after subcommand 0x0054
      break;
    case Op::WriteBlock:
      r.WriteBlock(0x2F, std::vector<uint8_t>(20, 0x11));
      break;
  }
  return r.status;
}

std::string Name(const std::string& adapter) {
  const size_t comma = adapter.find(',');
  std::string name = adapter;
  name.insert(comma == std::string::npos ? name.size() : comma, ":RN44K18");
  return name;
}

TEST(AdapterFaults, EachFaultGivesItsStatusAndOneHostErrorWithoutSendingTwice) {
  for (const FaultCase& c : kFaults) {
    const std::string name = Name(c.adapter);
    SCOPED_TRACE(name + " fault " + std::to_string(static_cast<int>(c.fault.kind)));
    sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
    s.faults = {c.fault};
    if (c.op == Op::ReadBlock && s.faults[0].member.empty())
      s.faults[0].member = "ReadSMBusBlock_";  // not the subcommand written first
    AdapterRig r(name, s);
    ASSERT_TRUE(r.Open()) << r.openError;
    if (c.op == Op::ReadBlock)
      r.WriteWord(0x00, 0x0054);
    const int64_t before = r.Wire();
    const double start = r.platform.ClockMs();
    const int32_t status = Apply(r, c.op);
    const double took = r.platform.ClockMs() - start;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(r.Wire() - before, c.wire);
    EXPECT_GE(took, c.minMs);
    EXPECT_LE(took, c.maxMs);
    const std::vector<int32_t> expected =
        c.status == 0 ? std::vector<int32_t>{} : std::vector<int32_t>{c.status};
    EXPECT_EQ(r.HostErrors(), expected);
    if (c.op == Op::WriteWord) {  // a refused seal does not take
      EXPECT_EQ(r.Gauge().Security(),
                c.status == 0 ? sim::SecurityMode::Sealed : sim::SecurityMode::Unsealed);
    }
    if (c.fault.kind == FaultKind::Unplugged) {
      EXPECT_EQ(Apply(r, Op::ReadWord), 0x17);  // and gone for good
      EXPECT_EQ(r.Wire() - before, 1);
      ASSERT_FALSE(r.warnings.empty());
      EXPECT_NE(r.warnings.back().find("went away"), std::string::npos);
    }
  }
}

TEST(AdapterFaults, TheBridgeCancelsATransferThatNeverFinishes) {
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.faults = {F(FaultKind::BusyForever)};
  AdapterRig r("cp2112-sim:RN44K18", s);
  r.Word(0x0D);
  const auto* bridge = r.emulation.hid->Bridge();
  EXPECT_EQ(bridge->Requests(adapters::cp2112::kCancelTransfer), 1);
  EXPECT_EQ(bridge->Requests(adapters::cp2112::kStatusRequest), 151);  // one a millisecond
  EXPECT_EQ(r.Word(0x0D), 62);  // the next transfer goes through
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("cancelled"), std::string::npos);
}

struct LimitCase {
  const char* adapter;
  const char* family;
  unsigned long funcs;  // what the emulated i2c bus offers; 0: everything
  int command;
  int writeBytes;  // block write of this many bytes; 0: a block read of the command
  int32_t status;
  int64_t wire;
  int length;           // block read: bytes delivered
  const char* warning;  // part of the warning, or "" for none
};

constexpr unsigned long kSmbusOnly =
    I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_PEC;

const LimitCase kLimits[] = {
    {"i2c-sim", "CEDV", 0, 0x58, 0, 0, 1, 64, ""},
    {"i2c-sim", "CEDV", 0, 0x22, 62, 0, 1, 0, ""},
    {"i2c-sim,pec", "CEDV", 0, 0x22, 62, 0, 1, 0, ""},
    {"i2c-sim", "CEDV", kSmbusOnly, 0x58, 0, 0x14, 1, 0, "longer than 32 bytes"},
    {"i2c-sim", "CEDV", kSmbusOnly, 0x22, 62, 0x18, 0, 0, "not sent"},
    {"i2c-sim", "CEDV", kSmbusOnly, 0x22, 32, 0, 1, 0, ""},
    {"i2c-sim", "CEDV", I2C_FUNC_SMBUS_WORD_DATA, 0x23, 0, 0x18, 0, 0, "neither"},
    {"cp2112-sim", "CEDV", 0, 0x58, 0, 0, 1, 64, ""},
    {"cp2112-sim", "CEDV", 0, 0x22, 62, 0x18, 0, 0, "does not fit one CP2112 transfer"},
    {"cp2112-sim", "CEDV", 0, 0x22, 59, 0, 1, 0, ""},
    {"cp2112-sim,pec", "CEDV", 0, 0x22, 59, 0x18, 0, 0, "not sent"},
    {"cp2112-sim,pec", "CEDV", 0, 0x22, 58, 0, 1, 0, ""},
    {"cp2112-sim", "CEDV", 0, 0x100, 0, 0x19, 0, 0, ""},  // no such command byte
};

TEST(AdapterLimits, LongBlocksGoAsOneTransferWhereTheAdapterCanAndAreRefusedUnsentElsewhere) {
  for (const LimitCase& c : kLimits) {
    const std::string name = std::string(c.adapter).insert(
        std::string(c.adapter).find(',') == std::string::npos ? std::string(c.adapter).size()
                                                              : std::string(c.adapter).find(','),
        std::string(":") + c.family);
    SCOPED_TRACE(name + " command " + std::to_string(c.command) + " bytes " +
                 std::to_string(c.writeBytes));
    adapters::emulation::FakeBusConfig config;
    if (c.funcs != 0)
      config.funcs = c.funcs;
    AdapterRig r(name, sim::DefaultScenario(*sim::ParseFamily(c.family)), config);
    ASSERT_TRUE(r.Open()) << r.openError;
    if (c.writeBytes > 0) {
      r.WriteBlock(c.command, std::vector<uint8_t>(static_cast<size_t>(c.writeBytes), 0));
    } else {
      EXPECT_EQ(static_cast<int>(r.Block(c.command).size()), c.length);
    }
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.Wire(), c.wire);
    if (*c.warning) {
      ASSERT_EQ(r.warnings.size(), 1u);
      EXPECT_NE(r.warnings[0].find(c.warning), std::string::npos) << r.warnings[0];
    } else {
      EXPECT_TRUE(r.warnings.empty());
    }
    if (r.emulation.hid && c.status == 0x18) {
      EXPECT_EQ(r.emulation.hid->Bridge()->Requests(adapters::cp2112::kWriteRequest), 0);
    }
  }
}

struct OpenCase {
  const char* adapter;
  const char* target;  // replaces the emulated device path or serial; "" keeps it
  unsigned long funcs;
  const char* error;
};

const OpenCase kOpens[] = {
    {"i2c-sim:RN44K18", "/dev/i2c-7", 0,
     "/dev/i2c-7 does not exist (is the i2c-dev module loaded? see docs/hardware.md)"},
    {"i2c-sim:RN44K18,pec", "", kSmbusOnly & ~static_cast<unsigned long>(I2C_FUNC_SMBUS_PEC),
     "/dev/i2c-0 does not offer PEC (packet error checking); leave out \",pec\""},
    {"i2c-sim:RN44K18", "", I2C_FUNC_I2C, "/dev/i2c-0 offers no SMBus word transfers"},
    {"cp2112-sim:RN44K18", "X1", 0, "no CP2112 bridge with serial X1 (found: SIM00001)"},
};

TEST(AdapterOpen, ABusOrBridgeThatCannotServeSaysWhy) {
  for (const OpenCase& c : kOpens) {
    SCOPED_TRACE(c.adapter);
    adapters::emulation::FakeBusConfig config;
    if (c.funcs != 0)
      config.funcs = c.funcs;
    std::string error;
    VirtualPlatform platform;
    auto gauge = sim::OpenGauge(sim::DefaultScenario(DfType::RN44K18), platform, error);
    auto e = adapters::emulation::Emulate(*adapters::ParseAdapterChoice(c.adapter, error),
                                          std::move(gauge), platform, config);
    if (*c.target)
      e.choice.target = c.target;
    EXPECT_EQ(e.driver->Open(e.choice, error), nullptr);
    EXPECT_EQ(error, c.error);
    if (e.kernel) {
      EXPECT_EQ(e.kernel->OpenFiles(), 0u);  // nothing left open
    }
  }
}

TEST(AdapterOpen, AnAddressHeldByAKernelDriverAndAClosedAdapterFailEveryTransfer) {
  adapters::emulation::FakeBusConfig config;
  config.driverAddresses = {0x17};
  AdapterRig held("i2c-sim:RN44K18", sim::DefaultScenario(DfType::RN44K18), config);
  held.Word(0x0D);
  EXPECT_EQ(held.status, 0x1A);
  EXPECT_EQ(held.Wire(), 0);
  ASSERT_EQ(held.warnings.size(), 1u);
  EXPECT_EQ(held.warnings[0], "address 0x17 on /dev/i2c-0 is held by a kernel driver");

  for (const char* name : {"i2c-sim:RN44K18", "cp2112-sim:RN44K18"}) {
    AdapterRig r(name, sim::DefaultScenario(DfType::RN44K18));
    r.Adapter().Close();
    EXPECT_EQ(r.Word(0x0D), 0);
    EXPECT_EQ(r.status, 0x17) << name;
    EXPECT_EQ(r.Wire(), 0);
    if (r.emulation.kernel) {
      EXPECT_EQ(r.emulation.kernel->OpenFiles(), 0u);
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
