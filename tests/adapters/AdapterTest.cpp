// The bus adapters against their emulations: the bytes of the CP2112 reports and SMBus frames
// against the published facts, the --adapter names, scanning, every transfer kind and fault
// path, and the tool on the emulated adapters against the same tool on the simulated gauge.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>

#include "adapters/AdapterChoice.h"
#include "adapters/Scan.h"
#include "adapters/cp2112/Reports.h"
#include "adapters/emulation/Emulations.h"
#include "adapters/smbus/Frames.h"
#include "cli/CliRun.h"
#include "device/TracingHostLink.h"

namespace gaugecal::test {
namespace {

using namespace adapters;
using Bytes = std::vector<uint8_t>;
using sim::FaultKind;

constexpr int16_t kGauge = 0x17;
constexpr unsigned long kSmbusOnly =
    I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_PEC;

// "i2c-sim,pec" for a family: "i2c-sim:CEDV,pec".
std::string Named(std::string adapter, const std::string& family) {
  return adapter.insert(std::min(adapter.find(','), adapter.size()), ":" + family);
}

// One adapter by its --adapter name on a virtual clock, with the simulated gauge of a scenario
// behind it and every host-link call recorded in a bus trace: "sim:FAMILY" is the gauge
// itself, "i2c-sim:..." and "cp2112-sim:..." the real drivers over their emulations.
class AdapterRig {
 public:
  AdapterRig(const std::string& name, sim::Scenario scenario,
             emulation::FakeBusConfig config = {}) {
    std::string error;
    auto gauge = sim::OpenGauge(std::move(scenario), platform, error);
    const auto choice = ParseAdapterChoice(name, error);
    if (!gauge || !choice)
      throw std::runtime_error(name + ": " + error);
    if (choice->kind == AdapterKind::Sim) {
      simGauge_ = std::move(gauge);
      inner_ = simGauge_.get();
    } else {
      emulation = emulation::Emulate(*choice, std::move(gauge), platform, config);
      adapter_ = emulation.driver->Open(emulation.choice, openError);
      if (!adapter_)
        return;
      adapter_->SetWarningSink([this](const std::string& w) { warnings.push_back(w); });
      inner_ = adapter_.get();
    }
    link_ = std::make_unique<TracingHostLink>(*inner_, trace_);
  }

  bool Open() const { return link_ != nullptr; }
  HostLink& Link() { return *link_; }
  adapters::Adapter& Driven() { return *adapter_; }
  sim::SimulatedGauge& Gauge() { return simGauge_ ? *simGauge_ : emulation.bus->Gauge(); }
  // Transfers that went out on the emulated wire.
  int64_t Wire() const { return emulation.bus ? emulation.bus->Transfers() : 0; }
  std::string Trace() const { return traceText_.str(); }

  // Raw transfers; the status of each is kept in status.
  uint16_t Word(int command) {
    int16_t word = 0;
    status = link_->ReadSMBusWord_(static_cast<int16_t>(command), word, kGauge);
    return static_cast<uint16_t>(word);
  }
  int32_t WriteWord(int command, uint16_t word) {
    return status = link_->WriteSMBusWord_(static_cast<int16_t>(command),
                                           static_cast<int16_t>(word), kGauge);
  }
  std::vector<uint8_t> Block(int command) {
    std::vector<uint8_t> buffer(256);
    int16_t length = 0;
    status = link_->ReadSMBusBlock_(static_cast<int16_t>(command), buffer, length, kGauge);
    buffer.resize(static_cast<size_t>(std::clamp<int16_t>(length, 0, 256)));
    return buffer;
  }
  int32_t WriteBlock(int command, const std::vector<uint8_t>& data) {
    return status = link_->WriteSMBusBlock(static_cast<int16_t>(command), data,
                                           static_cast<int16_t>(data.size()), kGauge);
  }
  // The host errors pending, taken off the queue.
  std::vector<int32_t> HostErrors() {
    std::vector<int32_t> errors;
    for (int32_t e = link_->CheckForError(); e != 0; e = link_->CheckForError())
      errors.push_back(e);
    return errors;
  }

  VirtualPlatform platform;
  emulation::Emulation emulation;
  std::string openError;
  std::vector<std::string> warnings;
  int32_t status = 0;

 private:
  std::ostringstream traceText_;
  TraceLog trace_{traceText_, [this] { return platform.ClockMs(); }};
  std::unique_ptr<sim::SimulatedGauge> simGauge_;
  std::unique_ptr<Adapter> adapter_;
  HostLink* inner_ = nullptr;
  std::unique_ptr<TracingHostLink> link_;
};

Bytes Head(const Bytes& report, size_t n) {
  return Bytes(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(n));
}

// The bytes against the published facts rather than against our own other side: report IDs,
// big-endian fields, the address shifted left by one.
TEST(Cp2112Reports, AreLaidOutAsTheBridgeHasThem) {
  cp2112::SmbusConfig config;
  config.clockHz = 100000;
  config.writeTimeoutMs = 100;
  config.readTimeoutMs = 300;
  config.retryTime = 3;
  for (const auto& [report, head, size] : std::vector<std::tuple<Bytes, Bytes, size_t>>{
           {cp2112::ConfigReport(config),
            {0x06, 0x00, 0x01, 0x86, 0xA0, 0x02, 0x00, 0x00, 0x64, 0x01, 0x2C, 0x01, 0x00, 0x03},
            14},
           {cp2112::EncodeWrite({0x17, {0x00, 0x54, 0x00}}),
            {0x14, 0x2E, 0x03, 0x00, 0x54, 0x00},
            64},
           {cp2112::EncodeWriteRead({0x17, 257, {0x23}}), {0x11, 0x2E, 0x01, 0x01, 0x01, 0x23}, 64},
           {cp2112::ForceSend(0x0102), {0x12, 0x01, 0x02, 0x00}, 64},
           {cp2112::StatusRequest(), {0x15, 0x01, 0x00}, 64},
           {cp2112::CancelTransfer(), {0x17, 0x01, 0x00}, 64}}) {
    EXPECT_EQ(report.size(), size);
    EXPECT_EQ(Head(report, head.size()), head);
  }
  const auto status = cp2112::ParseStatus(Bytes{0x16, 0x03, 0x02, 0x00, 0x07, 0x01, 0x01});
  ASSERT_TRUE(status);
  EXPECT_EQ(std::tuple(status->status0, status->status1, status->retries, status->bytesRead),
            std::tuple(cp2112::kError, cp2112::kArbitrationLost, 7, 257));
  const auto read = cp2112::ParseReadResponse(Bytes{0x13, 0x02, 0x03, 0xAA, 0xBB, 0xCC, 0xDD});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->data, (Bytes{0xAA, 0xBB, 0xCC}));
  EXPECT_FALSE(cp2112::ParseStatus(Bytes{0x13, 0x02}));            // another report
  EXPECT_FALSE(cp2112::ParseStatus(Bytes{0x16, 0x02, 0x05}));      // cut short
  EXPECT_FALSE(cp2112::ParseReadResponse(Bytes{0x13, 0x02, 62}));  // more than a report holds
  EXPECT_FALSE(cp2112::ParseWriteRead(Bytes{0x11, 0x2E, 0x00, 0x02, 17}));
}

TEST(SmbusFrames, PecIsCrc8OverTheWholeTransferWithTheAddressBytes) {
  const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(smbus::Crc8(check), 0xF4);  // the CRC-8 check value of polynomial 0x07
  // Write word 0x0054 to command 0x00 of 0x17: the address byte 0x2E leads.
  const Bytes word = smbus::WordWrite(0x17, 0x00, 0x0054, true);
  EXPECT_EQ(Head(word, 3), (Bytes{0x00, 0x54, 0x00}));
  EXPECT_EQ(word[3], smbus::Crc8(Bytes{0x2E, 0x00, 0x54, 0x00}));
  const Bytes block = smbus::BlockWrite(0x17, 0x2F, Bytes{9, 8}, true);
  EXPECT_EQ(block, (Bytes{0x2F, 2, 9, 8, smbus::Crc8(Bytes{0x2E, 0x2F, 2, 9, 8})}));
  // A read: address (write), command, address (read), then the answer.
  EXPECT_EQ(smbus::ReadPec(0x17, 0x23, Bytes{2, 0x10, 0x00}),
            smbus::Crc8(Bytes{0x2E, 0x23, 0x2F, 2, 0x10, 0x00}));
}

TEST(AdapterChoice, NamesParseIntoDriverDeviceAndOptionsOrSayWhatIsWrong) {
  const std::string unknown = std::string("\" (known: ") + kKnownAdapters + ")";
  // Parsed: kind (Sim, I2c, Cp2112, I2cSim, Cp2112Sim), target, pec, timeout, retries, clock.
  for (const auto& [text, parsed] : std::vector<std::pair<std::string, std::string>>{
           {"sim:CEDV", "0 CEDV 0 0 0 0"},
           {"i2c:/dev/i2c-3,pec,timeout=250,retries=2", "1 /dev/i2c-3 1 250 2 0"},
           {"cp2112", "2  0 0 0 0"},
           {"cp2112:00A1B2,pec,clock=400000", "2 00A1B2 1 0 0 400000"},
           {"i2c-sim:QSPAN", "3 QSPAN 0 0 0 0"},
           {"cp2112-sim:CEDV_PLUS,pec", "4 CEDV_PLUS 1 0 0 0"},
           {"usb:1", "unknown adapter \"usb:1" + unknown},
           {"i2c", "unknown adapter \"i2c" + unknown},
           {"cp2112:", "unknown adapter \"cp2112:" + unknown},
           {"sim:LION", "unknown adapter \"sim:LION" + unknown},
           {"sim:CEDV,pec", "unknown adapter \"sim:CEDV,pec" + unknown},
           {"i2c:/dev/i2c-1,clock=400000",
            "adapter \"i2c:/dev/i2c-1,clock=400000\": unknown or out-of-range adapter option "
            "\"clock=400000\" (known: pec, timeout=1..60000 ms, retries=0..1000)"},
           {"cp2112,timeout=0",
            "adapter \"cp2112,timeout=0\": unknown or out-of-range adapter option \"timeout=0\" "
            "(known: pec, timeout=1..60000 ms, retries=0..1000, clock=10000..400000 Hz)"}}) {
    std::string error;
    const auto c = ParseAdapterChoice(text, error);
    std::ostringstream shown;
    if (c)
      shown << int(c->kind) << ' ' << c->target << ' ' << c->pec << ' ' << c->timeoutMs.value_or(0)
            << ' ' << c->retries.value_or(0) << ' ' << c->clockHz.value_or(0) << error;
    EXPECT_EQ(c ? shown.str() : error, parsed) << text;
  }
}

TEST(AdapterScan, ListsEachAdapterWithTheDeviceTypeOfTheGaugeThatAnswers) {
  VirtualPlatform platform;
  std::string error;
  const auto emulate = [&](const char* adapter, uint8_t gaugeAddress) {
    sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
    s.address = gaugeAddress;
    return emulation::Emulate(*ParseAdapterChoice(adapter, error),
                              sim::OpenGauge(s, platform, error), platform);
  };
  emulation::Emulation i2c = emulate("i2c-sim:RN44K18", 0x17);
  emulation::Emulation bridge = emulate("cp2112-sim:RN44K18", 0x0B);  // nobody at 0x17
  std::vector<std::unique_ptr<AdapterDriver>> drivers;
  drivers.push_back(std::move(i2c.driver));
  drivers.push_back(std::move(bridge.driver));

  const std::vector<ScanResult> found = ScanAdapters(drivers);
  ASSERT_EQ(found.size(), 2u);
  // The device type is the identification's first two bytes.
  EXPECT_EQ(std::tuple(found[0].adapter.name, found[0].adapter.description, found[0].openError,
                       found[0].deviceType),
            std::tuple("i2c:/dev/i2c-0", "i2c-dev /dev/i2c-0 (emulated SMBus), PEC off", "",
                       std::optional<uint16_t>(0x0A05)));
  EXPECT_EQ(std::tuple(found[1].adapter.name, found[1].adapter.description, found[1].deviceType),
            std::tuple("cp2112:SIM00001", "CP2112 bridge SIM00001, 100 kHz, PEC off",
                       std::optional<uint16_t>()));
  // One subcommand write and one block read where the gauge answered; the write alone elsewhere.
  EXPECT_EQ(i2c.bus->Transfers(), 2);
  EXPECT_EQ(bridge.bus->Transfers(), 1);
  EXPECT_EQ(i2c.kernel->OpenFiles(), 0u);
  EXPECT_EQ(i2c.bus->Gauge().Security(), sim::SecurityMode::Unsealed);

  // A bridge held open elsewhere is listed with the reason.
  const auto holder = drivers[1]->Open(*ParseAdapterChoice("cp2112", error), error);
  ASSERT_NE(holder, nullptr) << error;
  EXPECT_EQ(ScanAdapters(drivers)[1].openError,
            "cannot open the CP2112 bridge SIM00001: the device is already open (permissions: "
            "see docs/hardware.md)");
}

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

// One wire transfer per call through every driver, with and without PEC, and on an i2c bus
// with SMBus calls only (up to 32 bytes).
TEST(AdapterTransfers, EveryKindLeavesTheTraceOfTheSimulatedGaugeWithOneWireTransferEach) {
  emulation::FakeBusConfig smbusOnly;
  smbusOnly.funcs = kSmbusOnly;
  const std::pair<const char*, emulation::FakeBusConfig> adapters[] = {{"i2c-sim", {}},
                                                                       {"i2c-sim,pec", {}},
                                                                       {"cp2112-sim", {}},
                                                                       {"cp2112-sim,pec", {}},
                                                                       {"i2c-sim,pec", smbusOnly}};
  for (const Case& c : kCases) {
    const sim::Scenario s = sim::DefaultScenario(*sim::ParseFamily(c.family));
    AdapterRig reference(std::string("sim:") + c.family, s);
    c.script(reference);
    for (const auto& [a, config] : adapters) {
      const std::string name = Named(a, c.family);
      SCOPED_TRACE(name + (config.funcs == kSmbusOnly ? " SMBus only" : ""));
      if (c.longTransfers && (name.starts_with("cp2112") || config.funcs == kSmbusOnly))
        continue;  // the limits have their own test
      AdapterRig rig(name, s, config);
      ASSERT_TRUE(rig.Open()) << rig.openError;
      c.script(rig);
      EXPECT_EQ(rig.Trace(), reference.Trace());
      EXPECT_EQ(rig.Wire(), reference.Gauge().Transfers());
      EXPECT_TRUE(rig.warnings.empty()) << rig.warnings.front();
    }
  }
}

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

TEST(AdapterFaults, EachFaultGivesItsStatusAndOneHostErrorWithoutSendingTwice) {
  const auto apply = [](AdapterRig& r, Op op) {
    if (op == Op::ReadWord)
      r.Word(0x0D);
    else if (op == Op::WriteWord)
      r.WriteWord(0x00, 0x0030);  // seal
    else if (op == Op::ReadBlock)
      r.Block(0x23);  // after subcommand 0x0054
    else
      r.WriteBlock(0x2F, std::vector<uint8_t>(20, 0x11));
    return r.status;
  };
  for (const FaultCase& c : kFaults) {
    const std::string name = Named(c.adapter, "RN44K18");
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
    const int32_t status = apply(r, c.op);
    const double took = r.platform.ClockMs() - start;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(r.Wire() - before, c.wire);
    EXPECT_GE(took, c.minMs);
    EXPECT_LE(took, c.maxMs);
    EXPECT_EQ(r.HostErrors(), c.status == 0 ? std::vector<int32_t>{} : std::vector{c.status});
    if (c.op == Op::WriteWord) {  // a refused seal does not take
      EXPECT_EQ(r.Gauge().Security(),
                c.status == 0 ? sim::SecurityMode::Sealed : sim::SecurityMode::Unsealed);
    }
    if (c.fault.kind == FaultKind::Unplugged) {
      EXPECT_EQ(apply(r, Op::ReadWord), 0x17);  // and gone for good
      EXPECT_EQ(r.Wire() - before, 1);
      EXPECT_NE((r.warnings.empty() ? "" : r.warnings.back()).find("went away"), std::string::npos);
    }
  }
}

TEST(AdapterFaults, TheBridgeCancelsATransferThatNeverFinishes) {
  sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
  s.faults = {F(FaultKind::BusyForever)};
  AdapterRig r("cp2112-sim:RN44K18", s);
  r.Word(0x0D);
  const auto* bridge = r.emulation.hid->Bridge();
  EXPECT_EQ(bridge->Requests(cp2112::kCancelTransfer), 1);
  EXPECT_EQ(bridge->Requests(cp2112::kStatusRequest), 151);  // one a millisecond
  EXPECT_EQ(r.Word(0x0D), 62);                               // the next transfer goes through
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("cancelled"), std::string::npos);
}

struct LimitCase {
  const char* adapter;  // on a CEDV gauge
  unsigned long funcs;  // what the emulated i2c bus offers; 0: everything
  int command;
  int writeBytes;  // block write of this many bytes; 0: a block read of the command
  int32_t status;
  int64_t wire;
  int length;           // block read: bytes delivered
  const char* warning;  // part of the warning, or "" for none
};

const LimitCase kLimits[] = {
    {"i2c-sim", 0, 0x58, 0, 0, 1, 64, ""},
    {"i2c-sim", 0, 0x22, 62, 0, 1, 0, ""},
    {"i2c-sim,pec", 0, 0x22, 62, 0, 1, 0, ""},
    {"i2c-sim", kSmbusOnly, 0x58, 0, 0x14, 1, 0, "longer than 32 bytes"},
    {"i2c-sim", kSmbusOnly, 0x22, 62, 0x18, 0, 0, "not sent"},
    {"i2c-sim", kSmbusOnly, 0x22, 32, 0, 1, 0, ""},
    {"i2c-sim", I2C_FUNC_SMBUS_WORD_DATA, 0x23, 0, 0x18, 0, 0, "neither"},
    {"cp2112-sim", 0, 0x58, 0, 0, 1, 64, ""},
    {"cp2112-sim", 0, 0x22, 62, 0x18, 0, 0, "cannot be identified through a CP2112 bridge"},
    {"cp2112-sim", 0, 0x2F, 62, 0x18, 0, 0, "does not fit one CP2112 transfer"},
    {"cp2112-sim", 0, 0x22, 59, 0, 1, 0, ""},
    {"cp2112-sim,pec", 0, 0x22, 59, 0x18, 0, 0, "not sent"},
    {"cp2112-sim,pec", 0, 0x22, 58, 0, 1, 0, ""},
    {"cp2112-sim", 0, 0x100, 0, 0x19, 0, 0, ""},  // no such command byte
};

TEST(AdapterLimits, LongBlocksGoAsOneTransferWhereTheAdapterCanAndAreRefusedUnsentElsewhere) {
  for (const LimitCase& c : kLimits) {
    const std::string name = Named(c.adapter, "CEDV");
    SCOPED_TRACE(name + " command " + std::to_string(c.command) + " bytes " +
                 std::to_string(c.writeBytes));
    emulation::FakeBusConfig config;
    if (c.funcs != 0)
      config.funcs = c.funcs;
    AdapterRig r(name, sim::DefaultScenario(DfType::CEDV), config);
    ASSERT_TRUE(r.Open()) << r.openError;
    if (c.writeBytes > 0) {
      r.WriteBlock(c.command, std::vector<uint8_t>(static_cast<size_t>(c.writeBytes), 0));
    } else {
      EXPECT_EQ(static_cast<int>(r.Block(c.command).size()), c.length);
    }
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.Wire(), c.wire);
    EXPECT_EQ(r.warnings.size(), *c.warning ? 1u : 0u);
    EXPECT_NE((r.warnings.empty() ? "" : r.warnings[0]).find(c.warning), std::string::npos);
    const bool refusedUnsent = r.emulation.hid && c.status == 0x18;
    EXPECT_EQ(refusedUnsent ? r.emulation.hid->Bridge()->Requests(cp2112::kWriteRequest) : 0, 0);
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
    emulation::FakeBusConfig config;
    if (c.funcs != 0)
      config.funcs = c.funcs;
    std::string error;
    VirtualPlatform platform;
    auto gauge = sim::OpenGauge(sim::DefaultScenario(DfType::RN44K18), platform, error);
    auto e = emulation::Emulate(*ParseAdapterChoice(c.adapter, error), std::move(gauge), platform,
                                config);
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
  emulation::FakeBusConfig config;
  config.driverAddresses = {0x17};
  AdapterRig held("i2c-sim:RN44K18", sim::DefaultScenario(DfType::RN44K18), config);
  held.Word(0x0D);
  EXPECT_EQ(std::tuple(held.status, held.Wire(), held.warnings),
            std::tuple(
                0x1A, 0,
                std::vector<std::string>{"address 0x17 on /dev/i2c-0 is held by a kernel driver"}));

  for (const char* name : {"i2c-sim:RN44K18", "cp2112-sim:RN44K18"}) {
    AdapterRig r(name, sim::DefaultScenario(DfType::RN44K18));
    r.Driven().Close();
    EXPECT_EQ(std::tuple(r.Word(0x0D), r.status, r.Wire()), std::tuple(0, 0x17, 0)) << name;
    EXPECT_EQ(r.emulation.kernel ? r.emulation.kernel->OpenFiles() : 0u, 0u);
  }
}

struct ToolRun {
  CliResult result;
  std::string trace;
};

// The tool with the words of command on one adapter, its trace and perhaps a scenario file.
ToolRun Tool(const TempDir& dir, const std::string& adapter, const std::string& command,
             const std::string& scenario = "") {
  std::vector<std::string> args = {"--adapter", adapter, "--virtual-time", "--trace",
                                   dir.Path("trace.jsonl")};
  if (!scenario.empty())
    args.insert(args.end(), {"--sim-scenario", scenario});
  std::istringstream words(command);
  args.insert(args.end(), std::istream_iterator<std::string>(words), {});
  return {RunCli(args), ReadFile(dir.Path("trace.jsonl"))};
}

// The tool on the emulated adapters: the scenario's gauge faults strike there as on the
// simulated gauge, adapter faults only there; the bridge's limit reaches stderr.
TEST(EmulatedAdapterCli, ScenarioFaultsStrikeOnTheEmulatedAdaptersAndAdapterFaultsOnlyThere) {
  TempDir dir;
  // The second raw block read is refused: the same on the gauge and through i2c-dev.
  const std::string gaugeFault = dir.Write(
      "nack.json",
      R"({"faults": [{"kind": "nack", "member": "ReadSMBusBlock_", "command": 35, "occurrence": 3}]})");
  const ToolRun sim = Tool(dir, "sim:CEDV", "raw", gaugeFault);
  const ToolRun i2c = Tool(dir, "i2c-sim:CEDV", "raw", gaugeFault);
  EXPECT_NE(sim.trace, Tool(dir, "sim:CEDV", "raw").trace);
  EXPECT_EQ(i2c.trace, sim.trace);
  EXPECT_EQ(i2c.result.out, sim.result.out);
  // The bridge writes at most 59 data bytes a block: start-up's identification blocks of 62
  // are refused unsent, and the first line on stderr, before the configuration's messages, says
  // the gauge cannot be identified this way and what to use.
  const ToolRun bridge = Tool(dir, "cp2112-sim:CEDV", "raw");
  EXPECT_EQ(bridge.result.status, 1);
  EXPECT_THAT(bridge.result.err,
              testing::StartsWith("warning: the gauge cannot be identified through a CP2112 "
                                  "bridge: the identification's 62-byte block writes do not fit "
                                  "one transfer (59 bytes at most) and are not sent; use an "
                                  "i2c-dev bus with plain I2C instead (docs/hardware.md)\n"));
  EXPECT_THAT(bridge.result.err, testing::Not(testing::HasSubstr("looked for")));

  const std::string adapterFault = dir.Write(
      "busy.json", R"({"faults": [{"kind": "busyForever", "member": "ReadSMBusWord_"}]})");
  const CliResult refused =
      RunCli({"--adapter", "sim:CEDV", "--sim-scenario", adapterFault, "--virtual-time", "read"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "gaugecal: " + adapterFault +
                             ": adapter faults need an emulated adapter (i2c-sim:CEDV or "
                             "cp2112-sim:CEDV)\n");
  const ToolRun busy = Tool(dir, "i2c-sim:CEDV", "read", adapterFault);
  EXPECT_THAT(
      busy.trace.substr(0, busy.trace.find('\n')),
      testing::HasSubstr(R"("op":"ReadSMBusWord_","cmd":0,"addr":23,"word":1,"status":19})"));

  const CliResult real =
      RunCli({"--adapter", "i2c:/dev/i2c-0", "--sim-scenario", gaugeFault, "read"});
  EXPECT_EQ(real.status, 2);
  EXPECT_EQ(real.err,
            "gaugecal: --sim-scenario needs a simulated gauge (sim:, i2c-sim: or cp2112-sim:), not "
            "i2c:/dev/i2c-0\n");
}

}  // namespace
}  // namespace gaugecal::test
