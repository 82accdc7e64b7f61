#include "device/ManufacturerAccess.h"

#include <array>
#include <string>

#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"
#include "device/TableDecoders.h"

namespace gaugecal {

namespace {

constexpr int16_t kGroupAccessRegister = 0x00;  // the display groups use register 0 literally
constexpr int16_t kCurrentCommand = 0x0A;
constexpr uint8_t kManufacturingCalModeBit = 0x80;  // byte 1 bit 7: status bit 15
constexpr uint8_t kRawStatusNormal = 1;
constexpr uint8_t kRawStatusOffset = 2;
constexpr int kRawResendLimit = 10;    // normal output gives up after eleven resend rounds
constexpr int kOffsetResendLimit = 5;  // offset output after six
constexpr int kFreshBlocksNeeded = 2;  // more than two counter changes before accepting
constexpr int kLeaveAttempts = 2;      // mode subcommands sent to leave calibration mode
constexpr int16_t kManufacturingStatusLength = 2;  // the status word

using Block = std::array<uint8_t, 256>;

bool HasCalModeBit(const Block& status) {
  return (status[1] & kManufacturingCalModeBit) != 0;
}

// Manufacturing status (0x0057) into block; the host-link status of the block read, or 1 when
// the block is shorter than the status word (its missing high byte would read as "not in
// calibration mode", and leaving would then skip a gauge that is in it). `sent` gets the
// status of the subcommand, which EnsureCalMode does not look at: a refused subcommand leaves
// 0x23 answering the one before it.
int32_t ReadManufacturingStatus(Block& block, int32_t& sent) {
  int16_t length = 0;
  sent = WriteMACCommand(kMacManufacturingStatus);
  SleepMs(settle::kBeforeManufacturingStatusMs);
  const int32_t status = ReadMODBlock(block, length);
  return status != 0 ? status : (length < kManufacturingStatusLength ? 1 : 0);
}

// The CEDV_PLUS calibration flag word. The first read after a command switch can be stale; it
// is taken and thrown away. The host-link status of the second read.
int32_t ReadCedvPlusFlagWord(int16_t& word) {
  ModuleState& m = Module();
  const CalConfig& c = m.calConfig;
  uint8_t msb = 0;
  uint8_t lsb = 0;
  m.hostLink->ReadSMBusWord(c.CEDVPLUSCALFLAG, msb, lsb, m.SmbAddress);
  return m.hostLink->ReadSMBusWord_(c.CEDVPLUSCALFLAG, word, m.SmbAddress);
}

bool CedvPlusFlagSet(int16_t word) {
  return IsBitSet(word, Module().calConfig.CEDVPLUSCALFLAGBITPOS);
}

// Whether a RN44K18 or CEDV_PLUS gauge says it is in calibration mode; false when it did not
// answer, leaving inMode as it was.
bool GaugeReportsCalMode(bool& inMode) {
  if (Module().calConfig.DFType == DfType::CEDV_PLUS) {
    int16_t word = 0;
    if (ReadCedvPlusFlagWord(word) != 0)
      return false;
    inMode = CedvPlusFlagSet(word);
    return true;
  }
  Block status{};
  int32_t sent = 0;
  if (ReadManufacturingStatus(status, sent) != 0 || sent != 0)
    return false;
  inMode = HasCalModeBit(status);
  return true;
}

int32_t EnsureCalModeRn44k18() {
  ModuleState& m = Module();
  Block status{};
  int32_t sent = 0;
  if (ReadManufacturingStatus(status, sent) != 0)
    return 1;
  if (HasCalModeBit(status)) {
    m.calModeFlag = true;
    return 0;
  }
  WriteMACCommand(m.calConfig.calmode);
  SleepMs(settle::kAfterCalModeOrExitMs);
  if (ReadManufacturingStatus(status, sent) != 0)
    return 1;
  m.calModeFlag = HasCalModeBit(status);
  return m.calModeFlag ? 0 : 1;
}

int32_t EnsureCalModeCedvPlus() {
  ModuleState& m = Module();
  const CalConfig& c = m.calConfig;
  HostLink& link = *m.hostLink;
  int16_t word = 0;
  ReadCedvPlusFlagWord(word);  // its status is not looked at: a failed read leaves 0
  if (CedvPlusFlagSet(word)) {
    m.calModeFlag = true;
    return 0;
  }

  WriteMACCommand(c.calmode);
  SleepMs(settle::kAfterCalModeOrExitMs);
  if (link.ReadSMBusWord_(c.CEDVPLUSCALFLAG, word, m.SmbAddress) != 0)
    return 1;
  if (CedvPlusFlagSet(word)) {
    m.calModeFlag = true;
    return 0;
  }

  WriteMACCommand(c.calmode);
  SleepMs(settle::kAfterCalModeOrExitMs);
  link.ReadSMBusWord_(c.CEDVPLUSCALFLAG, word, m.SmbAddress);
  m.calModeFlag = CedvPlusFlagSet(word);
  return m.calModeFlag ? 0 : 1;
}

bool IsRawBlock(const Block& block, int16_t length, uint8_t statusByte) {
  return block[1] == statusByte && length == Module().calConfig.RawCalDataBlockSize;
}

// One resend round: out of the stream, the neutral subcommand, the output request again, and
// the block the gauge then answers with.
void ResendRawRequest(int32_t afterExitMs, int16_t outputCommand, Block& block, int16_t& length) {
  WriteMACCommand(Module().calConfig.exitCalCommand);
  SleepMs(afterExitMs);
  WriteMACCommand(kMacNeutral);
  SleepMs(settle::kRawResendStepMs);
  WriteMACCommand(outputCommand);
  SleepMs(settle::kAfterRawOutputMs);
  ReadMODBlock(block, length);
}

void ClearGroupValues(DisplayGroup& group) {
  for (DisplayItem& item : group.items)
    item.value.clear();
}

// Rows in use, counted from item 0; never more than the group holds.
int16_t RowsInUse(const DisplayGroup& group) {
  const int32_t n = group.itemCount < 0 ? 0 : group.itemCount;
  return static_cast<int16_t>(n > 16 ? 16 : n);
}

}  // namespace

int32_t ReadMODBlock(std::span<uint8_t> buffer, int16_t& length) {
  ModuleState& m = Module();
  return m.hostLink->ReadSMBusBlock_(kManufacturerData, buffer, length, m.SmbAddress);
}

int32_t ReadSecurityMode(int16_t& mode) {
  const int32_t sent = WriteMACCommand(kMacOperationStatus);
  SleepMs(settle::kAfterOperationStatusMs);
  if (sent != 0) {
    ShowMessage("Not able to send operation status to MAC. Please check communication with part.");
    return 1;
  }
  Block block{};
  int16_t length = 0;
  if (ReadMODBlock(block, length) != 0) {
    ShowMessage("Not able to read Manufacturing Data Block requesting Operation Status.");
    return 1;
  }
  mode = static_cast<int16_t>(block[1] & 3);
  return 0;
}

int32_t EnsureCalMode() {
  switch (Module().calConfig.DFType) {
    case DfType::RN44K18:
      ClearHostErrors();
      return EnsureCalModeRn44k18();
    case DfType::CEDV_PLUS:
      ClearHostErrors();
      return EnsureCalModeCedvPlus();
    case DfType::CEDV:
    case DfType::QSPAN:
      break;  // these gauges stream raw values without a mode switch
  }
  return 0;
}

int32_t SendExitCalCommand() {
  ModuleState& m = Module();
  if (!m.calModeFlag)
    return 0;
  const int32_t status = WriteMACCommand(m.calConfig.exitCalCommand);
  SleepMs(settle::kAfterCalModeOrExitMs);
  return status;
}

int32_t LeaveCalMode() {
  ModuleState& m = Module();
  const CalConfig& c = m.calConfig;
  WriteMACCommand(c.exitCalCommand);
  SleepMs(settle::kAfterLeavingMs);
  if (c.DFType != DfType::RN44K18 && c.DFType != DfType::CEDV_PLUS)
    return 0;
  // The mode subcommand toggles, so it is sent only while the gauge says it is in the mode: a
  // flag left over from an earlier session must not switch a gauge into it. Where the gauge
  // does not answer, the flag's last word decides.
  bool inMode = m.calModeFlag;
  GaugeReportsCalMode(inMode);
  for (int attempt = 0; inMode && attempt < kLeaveAttempts; ++attempt) {
    if (WriteMACCommand(c.calmode) == 0)
      inMode = false;
    SleepMs(settle::kAfterLeavingMs);
    GaugeReportsCalMode(inMode);
  }
  m.calModeFlag = inMode;
  return inMode ? 1 : 0;
}

int32_t StartRawCalOutput() {
  const CalConfig& c = Module().calConfig;
  WriteMACCommand(c.exitCalCommand);
  WriteMACCommand(kMacNeutral);
  SleepMs(settle::kAfterNeutralBeforeRawMs);
  WriteMACCommand(c.outputCalValuesCommand);
  SleepMs(settle::kAfterRawRequestMs);

  Block block{};
  int16_t length = 0;
  ReadMODBlock(block, length);  // the first answer may still be the previous stream
  ReadMODBlock(block, length);

  // Fresh counts rounds in which the rolling counter differed from it; the gauge must show
  // a live stream for several rounds before the raw output is trusted.
  int rounds = 0;
  int fresh = 0;
  for (;;) {
    if (IsRawBlock(block, length, kRawStatusNormal) && fresh > kFreshBlocksNeeded)
      break;
    if (rounds > kRawResendLimit)
      break;
    ResendRawRequest(settle::kRawResendStepMs, c.outputCalValuesCommand, block, length);
    ++rounds;
    if (fresh != block[0])
      ++fresh;
  }
  return rounds > kRawResendLimit ? 1 : 0;
}

int32_t StartOffsetCalOutput() {
  const CalConfig& c = Module().calConfig;
  WriteMACCommand(c.exitCalCommand);
  WriteMACCommand(kMacNeutral);
  SleepMs(settle::kAfterNeutralBeforeOffsetMs);
  WriteMACCommand(c.outputCalValuesforOffsetCommand);
  WriteMACCommand(c.outputCalValuesforOffsetCommand);
  SleepMs(settle::kAfterRawOutputMs);

  Block block{};
  int16_t length = 0;
  const int32_t status = ReadMODBlock(block, length);
  if (status == 0 && IsRawBlock(block, length, kRawStatusOffset))
    return 0;

  int rounds = 0;
  for (;;) {
    if (IsRawBlock(block, length, kRawStatusOffset))
      break;
    if (rounds > kOffsetResendLimit)
      break;
    ResendRawRequest(settle::kOffsetResendExitMs, c.outputCalValuesforOffsetCommand, block, length);
    ++rounds;
  }
  return rounds > kOffsetResendLimit ? 1 : 0;
}

int32_t RefreshMODGroup(int16_t groupIndex, std::span<uint8_t> buffer) {
  ModuleState& m = Module();
  if (groupIndex < 0 || groupIndex >= static_cast<int16_t>(m.LiveTable.size()))
    return 1;
  DisplayGroup& group = m.LiveTable[groupIndex];
  HostLink& link = *m.hostLink;

  if (link.WriteSMBusWord_(kGroupAccessRegister, group.subcommand, m.SmbAddress) != 0) {
    WaitSeconds(settle::kGroupCommandRetryWaitS);
    const int32_t again =
        link.WriteSMBusWord_(kGroupAccessRegister, group.subcommand, m.SmbAddress);
    if (again != 0) {
      ShowMessage("Failed to Write Command " + group.name);
      return again;
    }
    // The gauge took the command only on the second attempt; its block is not trusted yet.
    ClearGroupValues(group);
    return 0;
  }

  int16_t length = 0;
  const auto command = static_cast<int16_t>(group.blockCommand);
  if (link.ReadSMBusBlock_(command, buffer, length, m.SmbAddress) != 0) {
    ClearGroupValues(group);
    return 0;
  }
  for (int16_t row = 0; row < RowsInUse(group); ++row)
    DecodeMODRow(groupIndex, row, buffer);
  return 0;
}

int32_t RefreshMODGroups() {
  ModuleState& m = Module();
  Block buffer{};
  for (int16_t g = 0; g <= 1; ++g) {
    const DisplayGroup& group = m.LiveTable[g];
    if (group.name == "Current" || !group.throughMAC)
      continue;
    if (RefreshMODGroup(g, buffer) != 0) {
      ShowMessage("Error returning values of Manufacturing Block. Please check communications.");
      return 1;
    }
  }
  DisplayGroup& current = m.LiveTable[kLiveCurrent];
  if (current.name == "Current") {
    uint8_t msb = 0;
    uint8_t lsb = 0;
    const int32_t status = m.hostLink->ReadSMBusWord(kCurrentCommand, msb, lsb, m.SmbAddress);
    current.items[0].value = status == 0 ? std::to_string(BytesToInt16(msb, lsb)) : "";
  }
  return 0;
}

int32_t RefreshRawCalGroup() {
  ModuleState& m = Module();
  Block block{};
  int16_t length = 0;
  ReadMODBlock(block, length);
  if (length != m.calConfig.RawCalDataBlockSize) {
    ShowMessage("Unable to read raw cal values and update display.");
    return 1;
  }
  const DisplayGroup& group = m.LiveTable[kLiveRawCal];
  for (int16_t row = 0; row < static_cast<int16_t>(group.items.size()); ++row) {
    if (!group.items[row].name.empty())
      DecodeMODRowToLocal(kLiveRawCal, row, block);
  }
  return 0;
}

}  // namespace gaugecal
