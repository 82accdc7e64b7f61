#pragma once
// The standard smart-battery commands a gauge answers (0x00-0x23 and the cell voltages
// 0x3C-0x3F), their kinds and units, and their decoding: capacities in mAh or 10 mWh by the
// capacity mode bit of BatteryMode, 0.1 K shown as degrees Celsius, the packed manufacture
// date, text blocks, and the named bits of BatteryMode (0x03) and BatteryStatus (0x16).
// A command the gauge does not answer is kept as not answered, never as a value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace gaugecal {

enum class SbsKind { Word, Signed, Flags, Date, Text, Block };

enum class SbsUnit {
  None,  // a number without unit (serial number, cycle count)
  Hex,   // a word shown in hexadecimal
  Millivolt,
  Milliamp,
  DeciKelvin,  // shown as degrees Celsius
  Percent,
  Minutes,   // 65535: nothing to count (not charging, not discharging)
  Capacity,  // mAh, or 10 mWh when BatteryMode's capacity mode bit is set
  Rate,      // mA, or 10 mW when that bit is set
  Boolean,
  Version,  // SpecificationInfo's fields
};

struct SbsCommand {
  uint8_t command = 0;
  const char* name = "";
  SbsKind kind = SbsKind::Word;
  SbsUnit unit = SbsUnit::None;
};

struct SbsBit {
  int bit = 0;
  const char* name = "";
};

constexpr uint8_t kSbsBatteryMode = 0x03;
constexpr uint8_t kSbsBatteryStatus = 0x16;
constexpr uint16_t kCapacityModeBit = 0x8000;

// Every command in command order.
std::span<const SbsCommand> SbsCommands();
const SbsCommand* FindSbsCommand(uint8_t command);
// The named bits of a flag word, lowest bit first; empty for other commands.
std::span<const SbsBit> SbsFlagBits(uint8_t command);
// The meaning of BatteryStatus bits 3..0.
const char* SbsErrorCodeName(int code);

struct SbsValue {
  const SbsCommand* command = nullptr;
  bool answered = false;
  uint16_t word = 0;             // word kinds
  std::vector<uint8_t> bytes;    // block kinds, as sent
  std::string raw;               // "0x1F40", or the block's bytes in hexadecimal
  std::string decoded;           // with its unit; "not answered" when not answered
  std::string unit;              // "mV", "mA", "°C", "%", "min", "mAh", "mWh", "mW" or empty
  std::optional<double> number;  // the decoded number in unit
  std::vector<std::pair<std::string, bool>> bits;  // flag words: the named bits
};

SbsValue DecodeSbsWord(const SbsCommand& command, uint16_t word, bool capacityIn10mWh);
SbsValue DecodeSbsBlock(const SbsCommand& command, std::span<const uint8_t> bytes);
SbsValue SbsNotAnswered(const SbsCommand& command);

// Reads every command through the module's host link (BatteryMode first, for the capacity
// mode), then drains the host errors the unanswered ones queued.
std::vector<SbsValue> ReadSbsRegisters();

}  // namespace gaugecal
